#include "engine/text_export.h"

#include "engine/dataset.h"
#include "platform/rtl/streams.h"

namespace morvane {

std::string_view TakeTabValue(std::string_view& list) {
  size_t tab = list.find('\t');
  std::string_view value = list.substr(0, tab);
  list.remove_prefix(tab == std::string_view::npos ? list.size() : tab + 1);
  return value;
}

std::string DoubleQuoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  for (char character : text) {
    if (character == '"') quoted += '"';
    quoted += character;
  }
  quoted += '"';
  return quoted;
}

std::string ExportLine(const std::vector<std::string>& values, char separator) {
  std::string line;
  for (const std::string& value : values) {
    line += separator == '\t' ? value : DoubleQuoted(value);
    line += separator;
  }
  if (!line.empty()) line.pop_back();
  return line;
}

void TzelDataset::ExportToTxt(const std::string& fileName, char separator) {
  if (!Active()) return;
  const int recNo = RecNo();
  std::vector<TField*> fields;
  for (TField* field : Fields()) {
    if (!field->IsBlob()) fields.push_back(field);
  }
  DisableControls();
  try {
    std::string text;
    std::vector<std::string> values(fields.size());
    First();
    const int count = RecordCount();
    for (int line = 0; line < count; ++line) {
      for (size_t index = 0; index < fields.size(); ++index)
        values[index] = fields[index]->AsString();
      text += ExportLine(values, separator);
      text += "\r\n";
      Next();
    }
    WriteFileAtomically(fileName, text.data(), text.size());
    if (recNo >= 1) SetRecNo(recNo);
  } catch (...) {
    if (recNo >= 1) SetRecNo(recNo);
    EnableControls();
    throw;
  }
  EnableControls();
}

}  // namespace morvane
