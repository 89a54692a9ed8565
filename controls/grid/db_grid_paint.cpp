// TzelCustomDBGrid: painting of titles, indicators and data cells, the cell
// text with lookup and pick-list translation, and the text routine.
//
// A data cell is painted for a record of the link's window: the link's
// active record moves to that row for the duration of the cell and comes
// back whatever happens; the dataset's current record never moves and no
// dataset event fires. Nothing here raises: a cell that cannot get its text
// paints what it has.
#include "controls/grid/db_grid.h"
#include "platform/db/dataset.h"
#include "platform/ui/grid_images.h"

namespace morvane {

namespace {

// Puts the link's active record back when the cell is done.
class ActiveRecordScope {
 public:
  ActiveRecordScope(TGridDataLink& link, int record) : link_(link), saved_(link.ActiveRecord()) {
    link_.SetActiveRecord(record);
  }
  ~ActiveRecordScope() { link_.SetActiveRecord(saved_); }
  ActiveRecordScope(const ActiveRecordScope&) = delete;
  ActiveRecordScope& operator=(const ActiveRecordScope&) = delete;

 private:
  TGridDataLink& link_;
  int saved_;
};

// Windows-style right and bottom edges (one past the last pixel).
int RightOf(const QRect& rect) { return rect.left() + rect.width(); }
int BottomOf(const QRect& rect) { return rect.top() + rect.height(); }

std::string FirstLine(const std::string& text) {
  const size_t end = text.find_first_of("\r\n");
  return end == std::string::npos ? text : text.substr(0, end);
}

}  // namespace

void WriteText(TCanvas& canvas, const QRect& rect, int dx, int dy, const std::string& text,
               TAlignment alignment, bool wrap, bool rightToLeft) {
  canvas.FillRect(rect);
  if (canvas.RightToLeft()) {
    if (alignment == taLeftJustify)
      alignment = taRightJustify;
    else if (alignment == taRightJustify)
      alignment = taLeftJustify;
  }
  // The draw area: dx, dy from the top left, one pixel short of the right
  // and bottom edges.
  const QRect area(rect.left() + dx, rect.top() + dy, rect.width() - 1 - dx, rect.height() - 1 - dy);
  unsigned flags = DT_EXPANDTABS | DT_NOPREFIX;
  if (wrap) flags |= DT_WORDBREAK;
  flags |= alignment == taRightJustify ? DT_RIGHT : alignment == taCenter ? DT_CENTER : DT_LEFT;
  if (rightToLeft) flags |= DT_RTLREADING;
  canvas.SetClipRect(rect);
  canvas.DrawText(area, text, flags);
}

std::string TzelCustomDBGrid::ColumnCellText(TzelColumn* column, bool forEdit) {
  TField* field = column != nullptr ? column->Field() : nullptr;
  TDataSet* dataSet = dataLink_->DataSet();
  if (field == nullptr || dataSet == nullptr) return std::string();
  std::string text;
  try {
    if (dataSet->IsEmpty() && dataSet->State() != dsInsert) return std::string();
    if (field->DataType() == ftMemo && !forEdit)
      text = FirstLine(field->AsString());
    else
      text = forEdit ? field->Text() : field->DisplayText();
  } catch (...) {
    return std::string();  // a value that cannot be read paints empty
  }
  switch (column->ButtonStyle()) {
    case cbsLookup: {
      if (!column->IsLinkActive() || column->LookupLinkField() == column->LookupDisplayField())
        return text;
      try {
        // A missing key field paints the column's own text.
        TField* key = dataSet->FindField(column->LookupKeyField());
        if (key == nullptr) return text;
        const Variant found = column->LookupDataSet()->Lookup(
            column->LookupLinkField(), key->AsVariant(), column->LookupDisplayField());
        // A key without a match shows itself: an empty cell would hide the
        // value that is about to be written.
        if (found.IsNull() || found.IsEmpty()) return forEdit ? key->Text() : key->DisplayText();
        return found.AsString();
      } catch (...) {
        return text;
      }
    }
    case cbsCombo: {
      if (!column->HasPickList() || column->PickValues().Count() != column->PickList().Count())
        return text;
      std::string value;
      try {
        value = field->Text();
      } catch (...) {
        return std::string();
      }
      const int position = column->PickValues().IndexOf(value);
      return position >= 0 ? column->PickList()[position] : std::string();
    }
    default:
      return text;
  }
}

bool TzelCustomDBGrid::HighlightCell(int, int, const std::string&, TGridDrawState state) {
  if (options_.Contains(dgMultiSelect) && dataLink_->Active() && IsActiveRowSelected()) return true;
  return state.Contains(gdSelected) &&
         (options_.Contains(dgAlwaysShowSelection) || GridFocused()) &&
         (updateLock_ == 0 || options_.Contains(dgRowSelect));
}

bool TzelCustomDBGrid::UseRightToLeftAlignmentForField(TField*, TAlignment) const {
  return UseRightToLeftAlignment();
}

void TzelCustomDBGrid::DrawDataCell(const QRect& rect, TField* field, TGridDrawState state) {
  if (OnDrawDataCell) OnDrawDataCell(this, rect, field, state);
}

void TzelCustomDBGrid::DrawColumnCell(const QRect& rect, int dataCol, TzelColumn* column,
                                      TGridDrawState state) {
  if (OnDrawColumnCell) OnDrawColumnCell(this, rect, dataCol, column, state);
}

void TzelCustomDBGrid::DefaultDrawColumnCell(const QRect& rect, int, TzelColumn* column,
                                             TGridDrawState) {
  WriteText(Canvas(), rect, 2, 2, ColumnCellText(column, false), column->Alignment(),
            column->WrapText(), UseRightToLeftAlignmentForField(column->Field(), column->Alignment()));
}

void TzelCustomDBGrid::DefaultDrawDataCell(const QRect& rect, TField* field, TGridDrawState) {
  if (field == nullptr) return;
  std::string text;
  try {
    text = field->DisplayText();
  } catch (...) {
  }
  WriteText(Canvas(), rect, 2, 2, text, field->Alignment(), false,
            UseRightToLeftAlignmentForField(field, field->Alignment()));
}

QRect TzelCustomDBGrid::CalcTitleRect(TzelColumn* column, int row, TzelColumn** masterColumn) const {
  // Columns never nest here: the title is the column's own cell.
  if (masterColumn != nullptr) *masterColumn = column;
  return CellRect(DataToRawColumn(column->Index()), row);
}

QRect TzelCustomDBGrid::CheckBoxRect(const QRect& cell) {
  int size = cell.height() - 4;
  if (cell.width() - 2 < size) size = cell.width() - 4;
  const int horizontal = (cell.width() - size) / 2;
  const int vertical = (cell.height() - size) / 2;
  return cell.adjusted(horizontal, vertical, -horizontal, -vertical);
}

// --- DrawCell ---------------------------------------------------------------------

void TzelCustomDBGrid::DrawCell(int col, int row, const QRect& cellRect, TGridDrawState state) {
  TCanvas& canvas = Canvas();
  if (loading_) {
    canvas.SetBrushColor(Color());
    canvas.FillRect(cellRect);
    return;
  }
  const int dataRow = row - titleOffset_;
  const int dataCol = col - indicatorOffset_;
  const bool bothLines = options_.Contains(dgRowLines) && options_.Contains(dgColLines);
  const int frameOffset = bothLines ? 1 : 2;
  QRect rect = cellRect;
  bool edgeAround = state.Contains(gdFixed) && bothLines;
  if (edgeAround) rect.adjust(1, 1, -1, -1);

  bool rowSelected = false;
  if (options_.Contains(dgMultiSelect) && dataLink_->Active() && dataRow >= 0) {
    ActiveRecordScope scope(*dataLink_, dataRow);
    rowSelected = IsActiveRowSelected();
  }

  if (state.Contains(gdFixed) && dataCol < 0) {
    DrawIndicatorCell(row, dataRow, rect, frameOffset, rowSelected);
  } else if (dataCol >= 0 && dataCol < columns_->Count()) {
    TzelColumn* column = columns_->Items(dataCol);
    if (!column->Showing()) return;
    {
      TFontChangeSuspender quiet(canvas.Font());
      canvas.Font().Assign(column->Font());
    }
    canvas.SetBrushColor(state.Contains(gdFixed) ? FixedColor() : column->Color());
    if (dataRow < 0) {
      DrawTitleCell(column, cellRect, frameOffset);
      edgeAround = false;  // the title drew its own edge
    } else if (!dataLink_->Active()) {
      canvas.FillRect(rect);
    } else {
      DrawDataCellContent(dataCol, dataRow, rect, state, column, rowSelected);
    }
  } else {
    canvas.FillRect(rect);
  }
  if (edgeAround) {
    const QRect outer = rect.adjusted(-1, -1, 1, 1);
    canvas.DrawEdge(outer, ekRaisedInner, BF_BOTTOM | BF_RIGHT);
    canvas.DrawEdge(outer, ekRaisedInner, BF_TOP | BF_LEFT);
  }
}

int TzelCustomDBGrid::IndicatorImage(int dataRow, bool rowSelected) const {
  if (!dataLink_->Active() || dataRow < 0) return -1;
  const bool current = dataRow == dataLink_->ActiveRecord();
  if (!current && !rowSelected) return -1;
  switch (dataLink_->DataSet()->State()) {
    case dsEdit:
      return giEdit;
    case dsInsert:
      return giInsert;
    default:
      if (rowSelected) return current ? giMultiArrow : giMultiDot;
      return giArrow;
  }
}

void TzelCustomDBGrid::DrawIndicatorCell(int row, int dataRow, const QRect& rect, int frameOffset,
                                         bool rowSelected) {
  TCanvas& canvas = Canvas();
  canvas.SetBrushColor(FixedColor());
  canvas.FillRect(rect);
  const int image = IndicatorImage(dataRow, rowSelected);
  if (image < 0) return;
  const bool current = dataRow == dataLink_->ActiveRecord();
  if (current) indicatorRow_ = row;
  indicators_.SetBkColor(FixedColor());
  int x = RightOf(rect) - indicators_.Width() - frameOffset;
  if (canvas.RightToLeft()) ++x;
  const int y = (rect.top() + BottomOf(rect) - indicators_.Height()) / 2;
  indicators_.Draw(canvas, x, y, image);
}

void TzelCustomDBGrid::DrawTitleCell(TzelColumn* column, const QRect& cellRect, int frameOffset) {
  TCanvas& canvas = Canvas();
  TzelColumn* master = nullptr;
  QRect rect = CalcTitleRect(column, 0, &master);
  if (rect.isEmpty()) rect = cellRect;
  if (master == nullptr) {
    canvas.FillRect(cellRect);
    return;
  }
  TzelColumnTitle* title = column->Title();
  TFont font(title->Font());
  TColor color = title->Color();
  if (OnDrawTitleAttr) OnDrawTitleAttr(this, column, font, color);
  {
    TFontChangeSuspender quiet(canvas.Font());
    canvas.Font().Assign(font);
  }
  canvas.SetBrushColor(color);
  const bool bothLines = options_.Contains(dgRowLines) && options_.Contains(dgColLines);
  if (bothLines) rect.adjust(1, 1, -1, -1);
  const bool pressed = column->TitlePressed();
  const int offset = pressed ? frameOffset + 1 : frameOffset;
  WriteText(canvas, rect, offset, offset, title->Caption(), title->Alignment(), true,
            UseRightToLeftAlignment());
  if (!pressed && column->SortMark() != zsmNone) {
    indicators_.SetBkColor(color);
    int x = RightOf(rect) - indicators_.Width() - frameOffset;
    if (canvas.RightToLeft()) ++x;
    const int y = (rect.top() + BottomOf(rect) - indicators_.Height()) / 2;
    indicators_.Draw(canvas, x, y, column->SortMark() == zsmDown ? giSortMarkDown : giSortMarkUp);
  }
  if (bothLines) {
    const QRect outer = rect.adjusted(-1, -1, 1, 1);
    const TEdgeKind kind = pressed ? ekSunkenInner : ekRaisedInner;
    canvas.DrawEdge(outer, kind, BF_BOTTOM | BF_RIGHT);
    canvas.DrawEdge(outer, kind, BF_TOP | BF_LEFT);
  }
}

void TzelCustomDBGrid::DrawDataCellContent(int dataCol, int dataRow, const QRect& rect,
                                           TGridDrawState state, TzelColumn* column,
                                           bool rowSelected) {
  TCanvas& canvas = Canvas();
  ActiveRecordScope scope(*dataLink_, dataRow);
  const std::string text = ColumnCellText(column, false);
  if (HighlightCell(dataCol, dataRow, text, state)) {
    canvas.SetBrushColor(highlightColor_);
    canvas.Font().SetColor(highlightTextColor_);
  }
  if (!isEnabled()) canvas.Font().SetColor(clGrayText);
  if (OnDrawCellAttr) {
    TFont font(canvas.Font());
    TColor color = canvas.BrushColor();
    OnDrawCellAttr(this, column, font, color, state);
    canvas.SetBrushColor(color);
    TFontChangeSuspender quiet(canvas.Font());
    canvas.Font().Assign(font);
  }
  if (defaultDrawing_) {
    if (column->ButtonStyle() == cbsCheck) {
      canvas.FillRect(rect);
      const bool checked =
          text == column->ValueChecked() || (column->FieldName() == "Selected" && rowSelected);
      canvas.DrawCheckBox(CheckBoxRect(rect), checked, isEnabled());
    } else {
      WriteText(canvas, rect, 2, 2, text, column->Alignment(), column->WrapText(),
                UseRightToLeftAlignmentForField(column->Field(), column->Alignment()));
    }
  }
  canvas.SetClipRect(rect);
  if (columns_->State() == csDefault) DrawDataCell(rect, column->Field(), state);
  DrawColumnCell(rect, dataCol, column, state);
  if (defaultDrawing_ && state.Contains(gdSelected) &&
      (options_.Contains(dgAlwaysShowSelection) || GridFocused()) &&
      !options_.Contains(dgRowSelect) && updateLock_ == 0 && GridFocused())
    canvas.DrawFocusRect(rect);
}

}  // namespace morvane
