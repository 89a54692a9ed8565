#include "app/mapping.h"

#include <algorithm>
#include <set>

#include "engine/dataset.h"
#include "platform/db/field.h"
#include "platform/db/field_defs.h"
#include "platform/rtl/text.h"
#include "replace/sql_value_text.h"
#include "server/table.h"

namespace morvane {

namespace {

constexpr char kSrcNotHeld[] =
    "Эти текущие значения не помещаются в поле «Текущее»; они не загружены и не войдут в скрипт:";
constexpr char kInfNotHeld[] =
    "Эти допустимые значения не помещаются в поле «Новое»; соответствия для них не заполнены:";
constexpr char kRefused[] = "Для этих соответствий операторы не созданы:";
constexpr char kEmptyCurrent[] = " (пустое текущее значение)";
// The "inf" text holds at least this many bytes: a number, a date, a time
// stamp typed in full.
constexpr int kNewValueChars = 32;
// A message box lists this many values and counts the rest.
constexpr size_t kListedValues = 20;

std::string Quoted(const std::string& value) {
  return "«" + value + "»";
}

// The lines of a list, at most kListedValues of them, then how many more.
template <class Item, class Describe>
std::string ListLines(const std::vector<Item>& items, Describe describe) {
  std::string text;
  const size_t shown = std::min(items.size(), kListedValues);
  for (size_t index = 0; index < shown; ++index) text += "\r\n" + describe(items[index]);
  if (items.size() > shown) text += "\r\n… и ещё " + std::to_string(items.size() - shown);
  return text;
}

// Runs the body with the dataset's controls held still; they learn of the
// changes once, at the end (also when the body fails).
template <class Body>
void WithControlsHeld(TDataSet& dataSet, Body body) {
  dataSet.DisableControls();
  try {
    body();
  } catch (...) {
    dataSet.EnableControls();
    throw;
  }
  dataSet.EnableControls();
}

// Sets a field's text and tells whether the field gives the same text back.
bool SetAndHeld(TField& field, const std::string& text) {
  field.SetAsString(text);
  return field.AsString() == text;
}

// Copies a current value into "src" and tells whether the field holds it
// exactly: a text by its text, any other type by its server form (the
// display text of a number or a date may be rounded or ambiguous).
bool CopyAndHeld(TField& src, const TField& value) {
  if (src.DataType() == ftString || value.DataType() == ftString) {
    return SetAndHeld(src, value.AsString());
  }
  src.SetValue(value.Value());
  return SqlValueText(src) == SqlValueText(value);
}

// A text as long as the longest value of field in dataSet, at least its
// declared size; the dataset is left on its first record.
int LongestText(TDataSet& dataSet, const std::string& fieldName) {
  TField* field = dataSet.FindField(fieldName);
  if (field == nullptr) return 0;
  int longest = field->DataType() == ftString ? field->Size() : 0;
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    longest = std::max({longest, int(field->AsString().size()), int(SqlValueText(*field).size())});
  }
  dataSet.First();
  return longest;
}

// Whether the allowed values hold exactly this text in infFld. The key search
// finds a candidate quickly; the exact comparison settles it, whatever the
// search's notion of equal slots (blanks, case) and even for a text with a
// tab, which a tab-value list cannot carry.
bool AllowedHolds(TzelDataset& allowed, const std::string& infFld, const std::string& text) {
  if (!allowed.FindTab(infFld, text + Tabulator, true)) return false;
  return allowed.FieldByName(infFld)->AsString() == text;
}

}  // namespace

TMappingFill FillMapping(TDataSet& values, const std::string& srcFld, TzelDataset* allowed,
                         const std::string& infFld, TzelDataset& mapping) {
  TMappingFill fill;
  const bool canPreMap =
      allowed != nullptr && allowed->Active() && allowed->FindField(infFld) != nullptr;
  TField* valueField = values.FieldByName(srcFld);
  TField* src = mapping.FieldByName("src");
  TField* inf = mapping.FieldByName("inf");
  // The controls over the mapping (the grid) learn of the new records once,
  // at the end: after every record they would recount their rows and set
  // their scroll bar, which cost more than the record itself.
  // A number's NULL reads as 0 here: its record would be a second "0",
  // whose statement is the first one's. Each value of a type other than
  // text is listed once.
  const TFieldType type = valueField->DataType();
  const bool typed = type != ftString && type != ftFixedChar && type != ftWideString &&
                     type != ftMemo && type != ftFmtMemo;
  std::set<std::string> listed;
  WithControlsHeld(mapping, [&] {
    values.First();
    while (!values.Eof()) {
      const std::string text = valueField->AsString();
      if (typed && !listed.insert(SqlValueText(*valueField)).second) {
        values.Next();
        continue;
      }
      mapping.Append();
      if (!CopyAndHeld(*src, *valueField)) {
        mapping.Cancel();
        fill.srcNotHeld.push_back(text);
        values.Next();
        continue;
      }
      if (canPreMap && AllowedHolds(*allowed, infFld, text) && !SetAndHeld(*inf, text)) {
        inf->Clear();
        fill.infNotHeld.push_back(text);
      }
      mapping.Post();
      values.Next();
    }
  });
  return fill;
}

void ShapeMappingColumns(TzelTable& mapping, TDataSet& values, const std::string& srcFld,
                         TDataSet* allowed, const std::string& infFld) {
  const int srcLongest = std::max(LongestText(values, srcFld), 1);
  int infLongest = std::max(srcLongest, kNewValueChars);
  if (allowed != nullptr && allowed->Active()) {
    infLongest = std::max(infLongest, LongestText(*allowed, infFld));
  }
  struct Def {
    std::string name;
    TFieldType type;
    int size;
  };
  std::vector<Def> defs;
  for (int index = 0; index < mapping.FieldDefs().Count(); ++index) {
    const TFieldDef* def = mapping.FieldDefs()[index];
    Def shaped{def->Name(), def->DataType(), def->Size()};
    if (shaped.name == "src" && shaped.type == ftString)
      shaped.size = std::max(shaped.size, srcLongest);
    if (shaped.name == "inf") {
      shaped.size = std::max(shaped.type == ftString ? shaped.size : 0, infLongest);
      shaped.type = ftString;
    }
    defs.push_back(shaped);
  }
  mapping.Close();
  mapping.SetLoadMode(lmClear);
  mapping.FieldDefs().Clear();
  for (const Def& def : defs) mapping.FieldDefs().Add(def.name, def.type, def.size);
  mapping.Open();
}

std::string NewValueText(const TField& inf, const TField& src) {
  if (!HasSqlValue(inf)) return {};
  if (inf.DataType() != ftString) return SqlValueText(inf);
  return SqlValueTextOf(src.DataType(), inf.AsString());
}

std::string NotHeldMessage(const TMappingFill& fill) {
  std::string text;
  if (!fill.srcNotHeld.empty()) text = kSrcNotHeld + ListLines(fill.srcNotHeld, Quoted);
  if (!fill.infNotHeld.empty()) {
    if (!text.empty()) text += "\r\n\r\n";
    text += kInfNotHeld + ListLines(fill.infNotHeld, Quoted);
  }
  return text;
}

std::string LookupDropDownFieldsFor(const TDataSet& allowed, const std::string& infFld) {
  const bool hasName = allowed.FindField("name") != nullptr;
  const bool hasIdent = allowed.FindField("Ident") != nullptr;
  if (hasName && hasIdent) return "name;Ident";
  if (hasName) return "name";
  if (hasIdent) return "Ident";
  return infFld;
}

TGeneratedScript GenerateScript(TzelDataset& mapping, CMorvane& commander) {
  TGeneratedScript script;
  TField* src = mapping.FieldByName("src");
  TField* inf = mapping.FieldByName("inf");
  const TBookmark current = mapping.GetBookmark();
  mapping.DisableControls();
  try {
    mapping.First();
    while (!mapping.Eof()) {
      // Values as the server reads them (decimal point, ISO dates); a new
      // value never set is NULL, which a number's slot would read as 0.
      const std::string newValue = NewValueText(*inf, *src);
      const std::string oldValue = SqlValueText(*src);
      if (!newValue.empty() && newValue != oldValue) {
        std::string line;
        if (commander.BuildUpdate(oldValue, newValue, line)) {
          script.lines.push_back(std::move(line));
        } else {
          script.refused.push_back({oldValue, newValue});
        }
      }
      mapping.Next();
    }
    if (!current.empty() && mapping.BookmarkValid(current)) mapping.GotoBookmark(current);
  } catch (...) {
    mapping.EnableControls();
    throw;
  }
  mapping.EnableControls();
  return script;
}

std::string RefusedMessage(const std::vector<TMappingPair>& refused) {
  if (refused.empty()) return {};
  return kRefused + ListLines(refused, [](const TMappingPair& pair) {
           return Quoted(pair.oldValue) + " → " + Quoted(pair.newValue) +
                  (pair.oldValue.empty() ? kEmptyCurrent : "");
         });
}

}  // namespace morvane
