// Column files: the grid's columns as a readable JSON text.
//
//   {
//     "class": "TzelColumnsWrapper",
//     "Columns": [
//       { "Alignment": "taRightJustify", "ButtonStyle": "cbsLookup", "FieldName": "inf",
//         "LookupDataSet": "TableInf", "Title": { "Caption": "New value" },
//         "Font": { "Name": "DejaVu Sans", "Size": 9, "Style": ["fsBold"], "Color": 0 },
//         "Visible": true, ... },
//       ...
//     ]
//   }
//
// Each column lists the streamed properties that pass their stored rules,
// in the order of the column's published properties; the title's four
// properties nest under "Title". Colours are TColor numbers (system colours
// keep their 0x80000000 form). LookupDataSet names a component of the grid's
// owner, PopupMenu a menu (QMenu object name) of the grid's window; names
// that resolve to nothing load as none.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>

#include "controls/grid/columns.h"
#include "controls/grid/db_grid.h"
#include "platform/db/dataset.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace morvane {

namespace {

constexpr const char* WrapperClass = "TzelColumnsWrapper";

const char* const AlignmentNames[] = {"taLeftJustify", "taRightJustify", "taCenter"};
const char* const ButtonStyleNames[] = {"cbsCombo",    "cbsLookup",   "cbsCalendar",
                                        "cbsCheck",    "cbsEllipsis", "cbsNone"};
const char* const FontStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

[[noreturn]] void BadFile(const std::string& detail) {
  throw EStreamError("Invalid stream format: " + detail);
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

QJsonObject FontToJson(const TFont& font) {
  QJsonObject object;
  object["Name"] = Text(font.Name());
  object["Size"] = font.Size();
  QJsonArray styles;
  for (int style = 0; style < 4; ++style)
    if (font.Style().Contains(TFontStyle(style))) styles.append(FontStyleNames[style]);
  object["Style"] = styles;
  object["Color"] = double(font.Color());
  return object;
}

QJsonArray LinesToJson(const TStringList& lines) {
  QJsonArray array;
  for (const std::string& line : lines) array.append(Text(line));
  return array;
}

QJsonObject ColumnToJson(TzelColumn& column) {
  QJsonObject object;
  if (column.IsAlignmentStored()) object["Alignment"] = AlignmentNames[column.Alignment()];
  if (column.AutoDropDown()) object["AutoDropDown"] = true;
  if (column.ButtonStyle() != cbsNone) object["ButtonStyle"] = ButtonStyleNames[column.ButtonStyle()];
  if (column.CanClick()) object["CanClick"] = true;
  if (column.IsColorStored()) object["Color"] = double(column.Color());
  if (column.DropDownRows() != 10) object["DropDownRows"] = double(column.DropDownRows());
  if (column.DropDownWidth() != 0) object["DropDownWidth"] = double(column.DropDownWidth());
  if (!column.FieldName().empty()) object["FieldName"] = Text(column.FieldName());
  if (column.IsFontStored()) object["Font"] = FontToJson(column.Font());
  if (column.LongTextAsHint()) object["LongTextAsHint"] = true;
  if (!column.LookupDropDownFields().empty())
    object["LookupDropDownFields"] = Text(column.LookupDropDownFields());
  if (!column.LookupKeyField().empty()) object["LookupKeyField"] = Text(column.LookupKeyField());
  if (!column.LookupLinkField().empty()) object["LookupLinkField"] = Text(column.LookupLinkField());
  if (column.LookupDataSet() != nullptr) object["LookupDataSet"] = Text(column.LookupDataSet()->Name());
  if (column.HasPickList()) object["PickList"] = LinesToJson(column.PickList());
  if (column.HasPickValues()) object["PickValues"] = LinesToJson(column.PickValues());
  if (column.PopupMenu() != nullptr) object["PopupMenu"] = column.PopupMenu()->objectName();
  if (column.IsReadOnlyStored()) object["ReadOnly"] = column.ReadOnly();
  QJsonObject title;
  TzelColumnTitle* columnTitle = column.Title();
  if (columnTitle->IsAlignmentStored()) title["Alignment"] = AlignmentNames[columnTitle->Alignment()];
  if (columnTitle->IsCaptionStored()) title["Caption"] = Text(columnTitle->Caption());
  if (columnTitle->IsColorStored()) title["Color"] = double(columnTitle->Color());
  if (columnTitle->IsFontStored()) title["Font"] = FontToJson(columnTitle->Font());
  if (!title.isEmpty()) object["Title"] = title;
  if (!column.ValueChecked().empty()) object["ValueChecked"] = Text(column.ValueChecked());
  if (!column.ValueUnChecked().empty()) object["ValueUnChecked"] = Text(column.ValueUnChecked());
  object["Visible"] = column.Visible();
  // A hidden column keeps its explicit width in the file.
  if (column.IsWidthStored()) object["Width"] = column.StoredWidth();
  if (column.WrapText()) object["WrapText"] = true;
  return object;
}

// --- Reading: every value is checked before it is used ------------------------

std::string ReadString(const QJsonObject& object, const char* key) {
  const QJsonValue value = object.value(key);
  if (!value.isString()) BadFile(std::string("\"") + key + "\" is not a text");
  return value.toString().toStdString();
}

bool ReadBool(const QJsonObject& object, const char* key) {
  const QJsonValue value = object.value(key);
  if (!value.isBool()) BadFile(std::string("\"") + key + "\" is not true or false");
  return value.toBool();
}

int64_t ReadInteger(const QJsonObject& object, const char* key, int64_t min, int64_t max) {
  const QJsonValue value = object.value(key);
  const double number = value.toDouble();
  // The range first: converting a number beyond int64_t is undefined.
  if (!value.isDouble() || !(number >= double(min) && number <= double(max)) ||
      number != std::trunc(number))
    BadFile(std::string("\"") + key + "\" is not a whole number in range");
  return int64_t(number);
}

template <size_t N>
int ReadEnum(const QJsonObject& object, const char* key, const char* const (&names)[N]) {
  const std::string name = ReadString(object, key);
  for (size_t index = 0; index < N; ++index)
    if (name == names[index]) return int(index);
  BadFile(std::string("\"") + key + "\" has the unknown value \"" + name + "\"");
}

TStringList ReadLines(const QJsonObject& object, const char* key) {
  const QJsonValue value = object.value(key);
  if (!value.isArray()) BadFile(std::string("\"") + key + "\" is not a list");
  TStringList lines;
  for (const QJsonValue& line : value.toArray()) {
    if (!line.isString()) BadFile(std::string("\"") + key + "\" holds something other than text");
    lines.Add(line.toString().toStdString());
  }
  return lines;
}

void ReadFont(const QJsonObject& object, TFont& font) {
  if (object.contains("Name")) font.SetName(ReadString(object, "Name"));
  if (object.contains("Size")) font.SetSize(int(ReadInteger(object, "Size", 1, 1000)));
  if (object.contains("Style")) {
    const QJsonValue value = object.value("Style");
    if (!value.isArray()) BadFile("\"Style\" is not a list");
    TFontStyles styles;
    for (const QJsonValue& style : value.toArray()) {
      QJsonObject holder;
      holder["Style"] = style;
      styles.Include(TFontStyle(ReadEnum(holder, "Style", FontStyleNames)));
    }
    font.SetStyle(styles);
  }
  if (object.contains("Color")) font.SetColor(TColor(ReadInteger(object, "Color", 0, 0xFFFFFFFF)));
}

QJsonObject ReadObject(const QJsonObject& object, const char* key) {
  const QJsonValue value = object.value(key);
  if (!value.isObject()) BadFile(std::string("\"") + key + "\" is not an object");
  return value.toObject();
}

}  // namespace

void TzelDBGridColumns::SaveToStream(TStream& stream) {
  QJsonArray columns;
  for (auto& column : items_) columns.append(ColumnToJson(*column));
  QJsonObject root;
  root["class"] = WrapperClass;
  root["Columns"] = columns;
  stream.WriteString(QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString());
}

void TzelDBGridColumns::SaveToFile(const std::string& fileName) {
  TMemoryStream stream;
  SaveToStream(stream);
  stream.SaveToFile(fileName);
}

void TzelDBGridColumns::LoadFromFile(const std::string& fileName) {
  TMemoryStream stream(ReadWholeFile(fileName));
  LoadFromStream(stream);
}

void TzelDBGridColumns::LoadFromStream(TStream& stream) {
  std::string bytes(size_t(stream.Remaining()), '\0');
  stream.ReadBuffer(bytes.data(), int64_t(bytes.size()));
  QJsonParseError parseError;
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray(bytes.data(), qsizetype(bytes.size())), &parseError);
  if (document.isNull()) BadFile(parseError.errorString().toStdString());
  if (!document.isObject()) BadFile("not a column list");
  const QJsonObject root = document.object();
  if (root.value("class").toString() != WrapperClass) BadFile("not a column list");
  const QJsonValue list = root.value("Columns");
  if (!list.isArray()) BadFile("\"Columns\" is not a list");

  // Everything is read into a free-standing list first: a damaged file
  // raises before the grid's columns are touched.
  TzelDBGridColumns loaded(nullptr);
  TComponent* owner = grid_ != nullptr ? grid_->Owner() : nullptr;
  for (const QJsonValue& item : list.toArray()) {
    if (!item.isObject()) BadFile("a column is not an object");
    const QJsonObject object = item.toObject();
    TzelColumn* column = loaded.Add();
    if (object.contains("Alignment")) {
      column->alignment_ = TAlignment(ReadEnum(object, "Alignment", AlignmentNames));
      column->assignedValues_.Include(cvAlignment);
    }
    if (object.contains("AutoDropDown")) column->autoDropDown_ = ReadBool(object, "AutoDropDown");
    if (object.contains("ButtonStyle"))
      column->buttonStyle_ = TzelColumnButtonStyle(ReadEnum(object, "ButtonStyle", ButtonStyleNames));
    if (object.contains("CanClick")) column->canClick_ = ReadBool(object, "CanClick");
    if (object.contains("Color")) {
      column->color_ = TColor(ReadInteger(object, "Color", 0, 0xFFFFFFFF));
      column->assignedValues_.Include(cvColor);
    }
    if (object.contains("DropDownRows"))
      column->dropDownRows_ = unsigned(ReadInteger(object, "DropDownRows", 0, 0xFFFFFFFF));
    if (object.contains("DropDownWidth"))
      column->dropDownWidth_ = unsigned(ReadInteger(object, "DropDownWidth", 0, 0xFFFFFFFF));
    if (object.contains("FieldName")) column->fieldName_ = ReadString(object, "FieldName");
    if (object.contains("Font")) {
      TFontChangeSuspender quiet(column->font_);
      ReadFont(ReadObject(object, "Font"), column->font_);
      column->assignedValues_.Include(cvFont);
    }
    if (object.contains("LongTextAsHint"))
      column->longTextAsHint_ = ReadBool(object, "LongTextAsHint");
    if (object.contains("LookupDropDownFields"))
      column->SetLookupDropDownFields(ReadString(object, "LookupDropDownFields"));
    if (object.contains("LookupKeyField")) column->lookupKeyField_ = ReadString(object, "LookupKeyField");
    if (object.contains("LookupLinkField"))
      column->lookupLinkField_ = ReadString(object, "LookupLinkField");
    if (object.contains("LookupDataSet") && owner != nullptr)
      column->lookupDataSet_ =
          dynamic_cast<TDataSet*>(owner->FindComponent(ReadString(object, "LookupDataSet")));
    if (object.contains("PickList")) column->PickList() = ReadLines(object, "PickList");
    if (object.contains("PickValues")) column->PickValues() = ReadLines(object, "PickValues");
    if (object.contains("PopupMenu") && grid_ != nullptr)
      column->popupMenu_ = grid_->window()->findChild<QMenu*>(
          QString::fromStdString(ReadString(object, "PopupMenu")));
    if (object.contains("ReadOnly")) {
      column->readOnly_ = ReadBool(object, "ReadOnly");
      column->assignedValues_.Include(cvReadOnly);
    }
    if (object.contains("Title")) {
      const QJsonObject title = ReadObject(object, "Title");
      TzelColumnTitle* columnTitle = column->Title();
      if (title.contains("Alignment")) {
        columnTitle->alignment_ = TAlignment(ReadEnum(title, "Alignment", AlignmentNames));
        column->assignedValues_.Include(cvHeadAlignment);
      }
      if (title.contains("Caption")) {
        columnTitle->caption_ = ReadString(title, "Caption");
        column->assignedValues_.Include(cvHeadCaption);
      }
      if (title.contains("Color")) {
        columnTitle->color_ = TColor(ReadInteger(title, "Color", 0, 0xFFFFFFFF));
        column->assignedValues_.Include(cvHeadColor);
      }
      if (title.contains("Font")) {
        TFontChangeSuspender quiet(columnTitle->font_);
        ReadFont(ReadObject(title, "Font"), columnTitle->font_);
        column->assignedValues_.Include(cvHeadFont);
      }
    }
    if (object.contains("ValueChecked")) column->valueChecked_ = ReadString(object, "ValueChecked");
    if (object.contains("ValueUnChecked"))
      column->valueUnChecked_ = ReadString(object, "ValueUnChecked");
    if (object.contains("Visible")) column->visible_ = ReadBool(object, "Visible");
    if (object.contains("Width")) {
      column->width_ = int(ReadInteger(object, "Width", -1, 100000));
      column->assignedValues_.Include(cvWidth);
    }
    if (object.contains("WrapText")) column->wrapText_ = ReadBool(object, "WrapText");
  }

  // Assigning can still refuse (a lookup dataset that is the grid's own);
  // the columns as they were come back then.
  if (grid_ != nullptr) grid_->BeginLayout();
  std::vector<std::unique_ptr<TzelColumn>> previous;
  previous.swap(items_);
  try {
    AssignStreamed(loaded);
  } catch (...) {
    clearing_ = true;
    items_.clear();
    clearing_ = false;
    items_.swap(previous);
    Changed(nullptr);
    if (grid_ != nullptr) grid_->EndLayout();
    throw;
  }
  if (grid_ != nullptr) grid_->EndLayout();
}

}  // namespace morvane
