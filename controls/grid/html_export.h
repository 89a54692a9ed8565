// HTML export of a grid: every record of the grid's dataset as the grid
// shows it, in one table with a header row of column titles and an optional
// row of column totals, framed by a title, a header and a footer.
//
// File layout (UTF-8, each line ended by CR LF):
//   <html> <head> <meta charset="utf-8"> <title>TITLE</title> </head> <body>
//   HEADER
//   <table border="1" cellpadding="3" cellspacing="0" width=100%>
//   <tr> <th bgcolor="#C0C0C0">CAPTION</th>... </tr>       one per visible column
//   <tr> <td ALIGN>TEXT</td> or <td>&nbsp;</td> ... </tr>   one row per record
//   <tr> <td align=right><b>TOTAL</b></td> or <td>&nbsp;</td> ... </tr>   with totals only
//   </table>
//   FOOTER
//   </body> </html>
// (one element per line). TITLE, CAPTION and TEXT are plain text and are
// escaped (& < > "); a memo cell holds its whole text with line breaks as
// <br>. HEADER and FOOTER are caller-supplied markup and are written as
// they are: callers must escape any text they put there.
//
// Totals: the ";"-separated total fields are resolved before anything is
// done (an unknown name raises the dataset's "Field '%s' not found"); each
// record adds its value as a float, a record whose value cannot be read is
// skipped for that field. A totals cell is formatted with the field's
// DisplayFormat when it is numeric and has one, else "0.##".
//
// The export walks the whole dataset with its controls disabled under the
// busy cursor and writes the file atomically. On every path, failures
// included, the dataset returns to the record that was current, its
// controls are enabled again and the screen cursor is put back; a file that
// cannot be written raises "Cannot create file %s" and leaves any old file
// as it was.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/db/db_types.h"

namespace morvane {

class TDataSet;
class TField;
class TzelCustomDBGrid;

// One visible column as the export shows it.
struct HtmlExportColumn {
  std::string caption;
  TAlignment alignment = taLeftJustify;
  // The column's field; null for a column without one (its cells are empty).
  TField* field = nullptr;
  // The cell text of the current record as the grid shows it (lookup and
  // pick-list translation included); not called for memo fields, whose
  // whole text is exported. Empty: the field's display text.
  std::function<std::string()> cellText;
};

// The grid's export: its visible columns in column order, with their title
// captions, alignments and cell texts as the grid paints them. Nothing
// happens while the grid's data link is inactive. With open, the written
// file is then handed to the desktop (OpenWithDesktop).
void ExportToHTML(TzelCustomDBGrid& grid, const std::string& fileName, const std::string& title,
                  const std::string& headerText, const std::string& footerText,
                  const std::string& totalFields, bool open);

// Writes the export of dataSet's records over the given columns to fileName.
void WriteHtmlExport(TDataSet& dataSet, const std::vector<HtmlExportColumn>& columns,
                     const std::string& fileName, const std::string& title,
                     const std::string& headerText, const std::string& footerText,
                     const std::string& totalFields);

// Asks the desktop to open the file with its default handler; a failure is
// ignored (the export itself succeeded).
void OpenWithDesktop(const std::string& fileName);

}  // namespace morvane
