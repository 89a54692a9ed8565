// Commands over data files: fields, dump, copy.
#include <string_view>

#include "engine/field_layout.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "server/table.h"
#include "tools/commands.h"

namespace morvane::tools {

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
  // ones a text export writes; they stream out block by block.
  table.ExportToTxt(
      [&](std::string_view block) { streams.out.write(block.data(), std::streamsize(block.size())); },
      '\t');
}

void CopyCommand(const ParsedArguments& arguments, ToolStreams&) {
  TzelTable table;
  table.LoadFromFile(arguments.Positional(0));
  table.SaveToFile(arguments.Positional(1));
}

}  // namespace morvane::tools
