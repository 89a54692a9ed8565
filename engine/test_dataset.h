// Test helper: a TzelDataset that loads a data buffer held in memory, and a
// session registry that records what datasets tell it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/dataset.h"
#include "engine/session_registry.h"
#include "platform/rtl/streams.h"

namespace morvane::testing {

class MemoryDataset : public TzelDataset {
 public:
  explicit MemoryDataset(std::vector<char> buffer = {}) : buffer_(std::move(buffer)) {
    SetName("Table1");
  }
  ~MemoryDataset() override { Close(); }

  void SetBuffer(std::vector<char> buffer) { buffer_ = std::move(buffer); }
  int appliedCount = 0;
  bool Sorted() const { return sorted_; }
  // The view is the store itself, not a list of its own.
  bool ViewShowsStore() const { return view_.ShowsStore(); }

 protected:
  void InternalLoadData() override { InternalLoad(std::make_unique<TMemoryStream>(buffer_)); }
  void InternalApplyUpdates() override { ++appliedCount; }

 private:
  std::vector<char> buffer_;
};

// Records every call as "Add", "Delete", "AddUpdated" or "DeleteUpdated".
class RecordingRegistry : public TzelSessionRegistry {
 public:
  RecordingRegistry() { SetSessionRegistry(this); }
  ~RecordingRegistry() override { SetSessionRegistry(nullptr); }
  void Add(TzelDataset*) override { calls.push_back("Add"); }
  void Delete(TzelDataset*) override { calls.push_back("Delete"); }
  void AddUpdated(TzelDataset*) override { calls.push_back("AddUpdated"); }
  void DeleteUpdated(TzelDataset*) override { calls.push_back("DeleteUpdated"); }
  std::vector<std::string> calls;
};

}  // namespace morvane::testing
