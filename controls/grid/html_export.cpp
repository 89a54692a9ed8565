#include "controls/grid/html_export.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include "controls/grid/db_grid.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/format.h"
#include "platform/rtl/string_list.h"
#include "platform/ui/cursor.h"

namespace morvane {

namespace {

std::string HtmlEscape(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char ch : text) {
    switch (ch) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += ch;
    }
  }
  return escaped;
}

// Escapes a multi-line text and joins its lines (CR LF, LF or CR) with <br>.
std::string HtmlLines(std::string_view text) {
  std::string html;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    if (start > 0) html += "<br>";
    html += HtmlEscape(text.substr(start, end - start));
    if (end == text.size()) break;
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return html;
}

const char* AlignmentAttribute(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return " align=right";
    case taCenter:
      return " align=center";
    default:
      return "";
  }
}

std::string CellText(const HtmlExportColumn& column) {
  if (column.field == nullptr) return {};
  if (dynamic_cast<const TMemoField*>(column.field) != nullptr) {
    return HtmlLines(column.field->AsString());
  }
  return HtmlEscape(column.cellText ? column.cellText() : column.field->DisplayText());
}

std::string TotalText(const TField* field, double total) {
  const auto* numeric = dynamic_cast<const TNumericField*>(field);
  const std::string& displayFormat = numeric ? numeric->DisplayFormat() : std::string();
  return HtmlEscape(FormatFloat(displayFormat.empty() ? "0.##" : displayFormat, total));
}

// Everything the export changes outside its own lines: the screen cursor,
// the dataset's position and its disabled controls. Restore() puts them back
// at the end of a successful export and reports its own errors; after a
// failure the destructor puts them back and keeps quiet, because the
// export's error is already on its way and is the one to report.
class ExportScope {
 public:
  ExportScope() : previousCursor_(ScreenCursor()) { SetScreenCursor(TCursor::crHourGlass); }
  ExportScope(const ExportScope&) = delete;
  ExportScope& operator=(const ExportScope&) = delete;
  ~ExportScope() {
    try {
      Restore();
    } catch (...) {
    }
  }

  void LeaveRecord(TDataSet& dataSet) {
    dataSet.DisableControls();
    dataSet_ = &dataSet;
    bookmark_ = dataSet.GetBookmark();
  }

  void Restore() {
    if (restored_) return;
    restored_ = true;
    try {
      if (dataSet_ != nullptr) {
        // A record deleted meanwhile cannot be gone back to; going to its
        // bookmark would raise.
        if (!bookmark_.empty() && dataSet_->BookmarkValid(bookmark_)) {
          dataSet_->GotoBookmark(bookmark_);
        }
      }
    } catch (...) {
      EnableControlsAndCursor();
      throw;
    }
    EnableControlsAndCursor();
  }

 private:
  void EnableControlsAndCursor() {
    SetScreenCursor(previousCursor_);
    if (dataSet_ != nullptr) dataSet_->EnableControls();
  }

  TCursor previousCursor_;
  TDataSet* dataSet_ = nullptr;
  TBookmark bookmark_;
  bool restored_ = false;
};

}  // namespace

void WriteHtmlExport(TDataSet& dataSet, const std::vector<HtmlExportColumn>& columns,
                     const std::string& fileName, const std::string& title,
                     const std::string& headerText, const std::string& footerText,
                     const std::string& totalFields) {
  ExportScope scope;
  const std::vector<TField*> totalled =
      totalFields.empty() ? std::vector<TField*>() : dataSet.GetFieldList(totalFields);
  std::vector<double> totals(totalled.size(), 0.0);

  TStringList lines;
  lines.Add("<html>");
  lines.Add("<head>");
  lines.Add("<meta charset=\"utf-8\">");
  lines.Add("<title>" + HtmlEscape(title) + "</title>");
  lines.Add("</head>");
  lines.Add("<body>");
  lines.Add(headerText);
  lines.Add("<table border=\"1\" cellpadding=\"3\" cellspacing=\"0\" width=100%>");
  lines.Add("<tr>");
  for (const HtmlExportColumn& column : columns) {
    lines.Add("<th bgcolor=\"#C0C0C0\">" + HtmlEscape(column.caption) + "</th>");
  }
  lines.Add("</tr>");

  scope.LeaveRecord(dataSet);
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    lines.Add("<tr>");
    for (const HtmlExportColumn& column : columns) {
      const std::string text = CellText(column);
      lines.Add(text.empty() ? "<td>&nbsp;</td>"
                             : "<td" + std::string(AlignmentAttribute(column.alignment)) + ">" +
                                   text + "</td>");
    }
    lines.Add("</tr>");
    for (size_t index = 0; index < totalled.size(); ++index) {
      try {
        totals[index] += totalled[index]->AsFloat();
      } catch (...) {
        // A value that cannot be read as a number does not count; the rest
        // of the column still adds up.
      }
    }
  }

  if (!totalled.empty()) {
    lines.Add("<tr>");
    for (const HtmlExportColumn& column : columns) {
      size_t index = 0;
      while (index < totalled.size() && totalled[index] != column.field) ++index;
      lines.Add(column.field != nullptr && index < totalled.size()
                    ? "<td align=right><b>" + TotalText(column.field, totals[index]) + "</b></td>"
                    : "<td>&nbsp;</td>");
    }
    lines.Add("</tr>");
  }
  lines.Add("</table>");
  lines.Add(footerText);
  lines.Add("</body>");
  lines.Add("</html>");
  lines.SaveToFile(fileName);
  scope.Restore();
}

void ExportToHTML(TzelCustomDBGrid& grid, const std::string& fileName, const std::string& title,
                  const std::string& headerText, const std::string& footerText,
                  const std::string& totalFields, bool open) {
  TGridDataLink* link = grid.DataLink();
  if (link == nullptr || !link->Active() || link->DataSet() == nullptr) return;
  std::vector<HtmlExportColumn> columns;
  for (int index = 0; index < grid.Columns().Count(); ++index) {
    TzelColumn* column = grid.Columns()[index];
    if (!column->Visible()) continue;
    columns.push_back({column->Title()->Caption(), column->Alignment(), column->Field(),
                       [&grid, column] { return grid.ColumnCellText(column, false); }});
  }
  WriteHtmlExport(*link->DataSet(), columns, fileName, title, headerText, footerText, totalFields);
  if (open) OpenWithDesktop(fileName);
}

void OpenWithDesktop(const std::string& fileName) {
  // The result is not looked at: the file is written, and a desktop without
  // a handler for it is no error of the export.
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(fileName)));
}

}  // namespace morvane
