#include "replace/changed_rows_sink.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <utility>

#include "platform/rtl/exceptions.h"
#include "replace/replacement_messages.h"

namespace morvane {

ChangedRowsSink::ChangedRowsSink(const CMvCFG& cfg, const ReplacementPlan& plan, std::string path,
                                 std::vector<int64_t>& rowsPerLine)
    : plan_(plan),
      header_{cfg.SrcTbl, cfg.SrcFld, cfg.SUnFld, {}},
      line_(header_),
      path_(std::move(path)),
      rowsPerLine_(rowsPerLine) {
  std::fill(rowsPerLine_.begin(), rowsPerLine_.end(), 0);
  if (path_.empty()) return;
  out_.open(path_ + ".part", std::ios::binary | std::ios::trunc);
  if (!out_) DatabaseError("Не удалось записать файл отмены " + path_);
  out_ << FormatUndoHeader(header_);
}

ChangedRowsSink::~ChangedRowsSink() {
  if (!out_.is_open()) return;
  out_.close();
  std::remove((path_ + ".part").c_str());
}

void ChangedRowsSink::Take(const std::vector<std::string_view>& row, const std::string& from) {
  size_t index = 0;
  const std::string_view number = row[2];
  const auto [end, problem] = std::from_chars(number.data(), number.data() + number.size(), index);
  if (problem != std::errc() || end != number.data() + number.size() || index >= plan_.lines.size())
    DatabaseError(replacemsg::CannotRead(from, std::string(number)));
  ++rowsPerLine_[index];
  ++rows_;
  if (out_.is_open()) line_.Append(text_, row[0], row[1], plan_.lines[index].newValue);
}

void ChangedRowsSink::Flush() {
  if (!out_.is_open()) return;
  out_ << text_;
  text_.clear();
  if (!out_) DatabaseError("Не удалось записать файл отмены " + path_);
}

void ChangedRowsSink::Keep() {
  if (!out_.is_open()) return;
  out_ << text_;
  text_.clear();
  out_.close();
  const std::string partial = path_ + ".part";
  if (!out_ || std::rename(partial.c_str(), path_.c_str()) != 0) {
    std::remove(partial.c_str());
    DatabaseError("Не удалось записать файл отмены " + path_);
  }
}

}  // namespace morvane
