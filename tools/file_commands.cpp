// Commands over data files: fields, dump, copy.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "engine/field_layout.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "server/table.h"
#include "tools/commands.h"

namespace morvane::tools {

namespace {

// A file name for the export, removed when the scope ends.
class TemporaryFile {
 public:
  TemporaryFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvane-data-XXXXXX").string();
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) throw EFCreateError(pattern);
    close(descriptor);
    path_ = pattern;
  }
  ~TemporaryFile() {
    std::error_code ignored;  // a file already gone needs no removal
    std::filesystem::remove(path_, ignored);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

void FieldsCommand(const ParsedArguments& arguments, ToolStreams& streams) {
  TzelTable table;
  table.LoadFromFile(arguments.Positional(0));
  for (const auto& field : table.Cursor()->Fields()) {
    streams.out << field->Name << '\t' << field->TableName << '\t' << StrFieldType[field->FieldType]
                << '\t' << field->Length << '\n';
  }
}

void DumpCommand(const ParsedArguments& arguments, ToolStreams& streams) {
  TzelTable table;
  table.SetIndexFieldNames(arguments.Value("--index"));
  TzelSortOptions options;
  if (arguments.Has("--descending")) options.Include(zsoDescendSort);
  if (arguments.Has("--case-insensitive")) options.Include(zsoCaseInsensitive);
  table.SetSortOptions(options);
  table.LoadFromFile(arguments.Positional(0));

  // The header names the fields the export writes: all but blobs.
  std::string header;
  for (TField* field : table.Fields()) {
    if (field->IsBlob()) continue;
    if (!header.empty()) header += '\t';
    header += field->FieldName();
  }
  streams.out << header << "\r\n";

  // The records go through the export itself, so the lines are exactly the
  // ones a text export writes.
  TemporaryFile exported;
  table.ExportToTxt(exported.Path(), '\t');
  const std::vector<char> lines = ReadWholeFile(exported.Path());
  streams.out.write(lines.data(), std::streamsize(lines.size()));
}

void CopyCommand(const ParsedArguments& arguments, ToolStreams&) {
  TzelTable table;
  table.LoadFromFile(arguments.Positional(0));
  table.SaveToFile(arguments.Positional(1));
}

}  // namespace morvane::tools
