// Vocabulary of the data grid: the column value flags, button styles, sort
// marks, the column list's state, the grid's options and row types, and the
// event types its users assign. Member order is part of the contract: the
// column value flags are bit positions of the streamed set, and the options'
// ordinals make up the default option value 3325.
#pragma once

#include <QRect>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/db/db_types.h"
#include "platform/ui/colors.h"
#include "platform/ui/custom_grid.h"

namespace morvane {

class TField;
class TFont;
class TzelColumn;
class TzelCustomDBGrid;

enum TzelColumnValue : uint8_t {
  cvColor,
  cvWidth,
  cvFont,
  cvAlignment,
  cvReadOnly,
  cvHeadColor,
  cvHeadCaption,
  cvHeadAlignment,
  cvHeadFont,
  cvImeMode,
  cvImeName
};
using TzelColumnValues = TSet<TzelColumnValue>;

enum TzelColumnButtonStyle : uint8_t { cbsCombo, cbsLookup, cbsCalendar, cbsCheck, cbsEllipsis, cbsNone };

enum TzelSortMark : uint8_t { zsmNone, zsmDown, zsmUp };

enum TzelDBGridColumnsState : uint8_t { csDefault, csCustomized };

enum TzelDBGridOption : uint8_t {
  dgEditing,
  dgAlwaysShowEditor,
  dgTitles,
  dgIndicator,
  dgColumnResize,
  dgColLines,
  dgRowLines,
  dgTabs,
  dgRowSelect,
  dgAlwaysShowSelection,
  dgConfirmDelete,
  dgCancelOnExit,
  dgMultiSelect,
  dgEnterToTab,
  dgDragOutRows
};
using TzelDBGridOptions = TSet<TzelDBGridOption>;

// 3325: editing, titles, indicator, column resize, column and row lines,
// tabs, confirm delete, cancel on exit.
inline constexpr TzelDBGridOptions DefaultDBGridOptions{
    dgEditing, dgTitles,  dgIndicator,     dgColumnResize, dgColLines,
    dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit};

enum TzelRowType : uint8_t { rtTitle, rtFirstVisible, rtCurrent, rtLastVisible };

// The framework's IME mode "don't care".
inline constexpr uint8_t imDontCare = 3;

using TNotifyEvent = std::function<void(TzelCustomDBGrid* sender)>;
using TzelDBGridClickEvent = std::function<void(TzelCustomDBGrid* sender, TzelColumn* column)>;
using TzelDBGridCloseUpEvent =
    std::function<void(TzelCustomDBGrid* sender, TzelColumn* column, bool selected)>;
using TMovedEvent = std::function<void(TzelCustomDBGrid* sender, int fromIndex, int toIndex)>;
using TCalcFieldEditedEvent =
    std::function<void(TzelCustomDBGrid* sender, TField* field, const std::string& text)>;
using TzelSpecialKeyDownEvent = std::function<void(TzelCustomDBGrid* sender, TzelColumn* column,
                                                   uint16_t& key, const std::string& text)>;
using TDrawTitleAttrEvent =
    std::function<void(TzelCustomDBGrid* sender, TzelColumn* column, TFont& font, TColor& color)>;
using TDrawCellAttrEvent = std::function<void(TzelCustomDBGrid* sender, TzelColumn* column,
                                              TFont& font, TColor& color, TGridDrawState state)>;
using TDrawDataCellEvent = std::function<void(TzelCustomDBGrid* sender, const QRect& rect,
                                              TField* field, TGridDrawState state)>;
using TDrawColumnCellEvent =
    std::function<void(TzelCustomDBGrid* sender, const QRect& rect, int dataCol,
                       TzelColumn* column, TGridDrawState state)>;

}  // namespace morvane
