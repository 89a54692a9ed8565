// TzelBlobStream: a memory stream over one blob field of a TzelDataset.
//
// Opened for reading it holds a copy of the blob of the active record;
// opened for writing (bmWrite) it starts empty. Writing or truncating marks it
// modified; when a modified stream is destroyed, its bytes replace the blob in
// the record being edited (an empty stream leaves a value of length 0, which
// reads as no value) and the field is reported changed. Failures while
// storing are handed to the application's exception handler, never thrown
// from the destructor.
#pragma once

#include "platform/rtl/streams.h"

namespace morvane {

class TField;
class TzelDataset;

class TzelBlobStream : public TMemoryStream {
 public:
  // Raises "Поле '%s' только для чтения!" or "Table is not in edit or insert
  // mode" when writing is asked of a read-only field or outside editing.
  TzelBlobStream(TField* field, TzelDataset* dataSet, int mode);
  ~TzelBlobStream() override;

  int64_t Write(const void* buffer, int64_t count) override;
  void SetSize(int64_t newSize) override;

 private:
  void StoreIntoRecord();

  TField* field_;
  TzelDataset* dataSet_;
  int fieldNo_;
  bool modified_ = false;
};

}  // namespace morvane
