// The seam between datasets and the session that keeps their registries.
//
// A dataset registers itself while it is open (Add / Delete) and while it
// holds changes not yet sent (AddUpdated / DeleteUpdated). The session lives
// in a layer above the engine, so the engine only knows this interface: the
// session installs its implementation with SetSessionRegistry() when it is
// created and removes it (nullptr) when it is destroyed. While none is
// installed every call is a no-op, so datasets work without a session (tests,
// tools over data files).
//
// Implementations must ignore a dataset already registered (Add, AddUpdated)
// or not registered (Delete, DeleteUpdated). Single GUI thread.
#pragma once

namespace morvane {

class TzelDataset;

class TzelSessionRegistry {
 public:
  virtual ~TzelSessionRegistry() = default;
  virtual void Add(TzelDataset* dataSet) = 0;
  virtual void Delete(TzelDataset* dataSet) = 0;
  virtual void AddUpdated(TzelDataset* dataSet) = 0;
  virtual void DeleteUpdated(TzelDataset* dataSet) = 0;
};

// The installed registry, or nullptr.
TzelSessionRegistry* SessionRegistry();
// Installs a registry (not owned); nullptr removes it.
void SetSessionRegistry(TzelSessionRegistry* registry);

// What datasets call: forwards to the installed registry, if any.
namespace session_registry {
void Add(TzelDataset* dataSet);
void Delete(TzelDataset* dataSet);
void AddUpdated(TzelDataset* dataSet);
void DeleteUpdated(TzelDataset* dataSet);
}  // namespace session_registry

}  // namespace morvane
