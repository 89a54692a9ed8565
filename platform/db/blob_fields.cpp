#include <memory>
#include <string>

#include "platform/db/dataset.h"
#include "platform/db/db_consts.h"
#include "platform/db/fields.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/text.h"

namespace morvane {

namespace {

std::unique_ptr<TStream> OpenBlob(const TField& field, TBlobStreamMode mode) {
  TDataSet* dataSet = field.DataSet();
  if (dataSet == nullptr) DatabaseErrorFmt(SDataSetMissing, {field.DisplayName()}, nullptr);
  std::unique_ptr<TStream> stream = dataSet->CreateBlobStream(const_cast<TField*>(&field), mode);
  if (!stream) DatabaseErrorFmt(SNoBlobStream, {field.DisplayName()}, dataSet);
  return stream;
}

}  // namespace

TBlobField::TBlobField(TComponent* owner) : TBlobField(owner, ftBlob) {}

TBlobField::TBlobField(TComponent* owner, TFieldType type) : TField(owner) {
  SetDataType(type);
}

int64_t TBlobField::BlobSize() const {
  if (DataSet() == nullptr || !DataSet()->Active() || IsNull()) return 0;
  return OpenBlob(*this, bmRead)->Size();
}

void TBlobField::LoadFromStream(TStream& stream) {
  std::unique_ptr<TStream> blob = OpenBlob(*this, bmWrite);
  stream.SetPosition(0);
  blob->CopyFrom(stream, 0);
  blob.reset();  // the value is replaced when the blob stream ends
  modified_ = true;
}

void TBlobField::SaveToStream(TStream& stream) const {
  if (IsNull()) return;
  std::unique_ptr<TStream> blob = OpenBlob(*this, bmRead);
  blob->SetPosition(0);
  stream.CopyFrom(*blob, 0);
}

std::string TBlobField::GetAsString() const {
  if (DataSet() == nullptr || !DataSet()->Active() || IsNull()) return std::string();
  std::unique_ptr<TStream> blob = OpenBlob(*this, bmRead);
  std::string contents(size_t(blob->Size()), '\0');
  blob->SetPosition(0);
  if (!contents.empty()) blob->ReadBuffer(contents.data(), int64_t(contents.size()));
  return contents;
}

void TBlobField::SetAsStringValue(const std::string& value) {
  std::unique_ptr<TStream> blob = OpenBlob(*this, bmWrite);
  if (!value.empty()) blob->WriteBuffer(value.data(), int64_t(value.size()));
  blob.reset();
  modified_ = true;
}

Variant TBlobField::GetAsVariant() const {
  if (IsNull()) return Variant::Null();
  return Variant(GetAsString());
}

void TBlobField::SetVariantValue(const Variant& value) {
  SetAsStringValue(value.AsString());
}

void TBlobField::GetText(std::string& text, bool /*displayText*/) const {
  text = TypeCaption();
  // Upper case tells at a glance that there is something inside.
  if (!IsNull()) text = UpperCase(text);
}

TMemoField::TMemoField(TComponent* owner) : TMemoField(owner, ftMemo) {}

TMemoField::TMemoField(TComponent* owner, TFieldType type) : TBlobField(owner, type) {}

TFmtMemoField::TFmtMemoField(TComponent* owner) : TMemoField(owner, ftFmtMemo) {}

TGraphicField::TGraphicField(TComponent* owner) : TBlobField(owner, ftGraphic) {}

}  // namespace morvane
