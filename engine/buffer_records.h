// TzelBufferRecords: the records of a data buffer read one at a time, for a
// reader that looks at each record once and keeps none (counting the values
// of a column a million rows long): no store, no record block, no copy of a
// value. The format is README.md's.
//
// The header and the layout are read by the store's own reader
// (TzelCursor::LoadStruFromStream), so the descriptors are exactly the ones a
// load makes. The records are checked as a load checks them, with the same
// messages: a length byte a field cannot have, a text or blob count out of
// range or past the end, a record cut short, a value announced for a field
// the layout does not describe.
//
// The buffer must outlive the reader and the values it gives. Not
// thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/cursor.h"

namespace morvane {

class TMemoryStream;

class TzelBufferRecords {
 public:
  // Reads the header and the layout from the stream's position; false with
  // the reader's message (an error reply's text for an error reply).
  bool Open(TMemoryStream& buffer, std::string& errorText);

  // The descriptors of the layout, as a load makes them.
  const TzelFieldList& Fields() const { return layout_.Fields(); }
  int32_t RecordCount() const { return recordCount_; }

  // The next record's values, one per descriptor: the bytes the buffer holds
  // for it (a heap text or blob without its count; empty for no value).
  // False after the last record, and false with errorText set for a damaged
  // one.
  bool Next(std::vector<std::string_view>& values, std::string& errorText);

 private:
  TzelCursor layout_;  // descriptors only: it never holds a record
  std::string_view rest_;
  int32_t recordCount_ = 0;
  int32_t read_ = 0;
};

}  // namespace morvane
