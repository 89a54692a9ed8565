// TzelDBGridInplaceEdit: the data grid's cell editor. A single-line edit
// with, by the current column's ButtonStyle, a button at the cell's edge and
// one of three drop-downs beneath the cell: a pick list of fixed texts
// (TzelListbox), a data list of the rows of a lookup dataset
// (TzelPopupData), or a calendar (TzelDlgCalendar).
//
// The grid makes exactly one, through CreateEditor; the editor reads the
// current column as the grid's Columns item at SelectedIndex every time it
// needs it and keeps no column reference. The drop-downs are created on
// first need as pop-up windows owned by the editor; they never take the
// focus, so typing stays in the editor, which forwards key codes and typed
// characters to the open list (the list moves its selection or searches
// with them, and the editor still types the character).
//
// Closing: CloseUp(True) writes the chosen value (a pick-list text or
// value, a date as short-date text into the column's field; a lookup row's
// key into the key field), CloseUp(False) writes nothing. A press outside
// the editor and its list, the application losing activation, and the
// editor losing the focus close without accepting. Every close of a visible
// list fires the grid's AfterCloseUp; every drop-down fires BeforeDropDown.
// A data list that shows no chosen row (nothing typed matched) writes
// nothing when accepted, so an accepted empty choice never clears a key.
//
// Lifetime: closing, whatever the reason, detaches the data list from the
// lookup dataset and gives the dataset its own filter handler and flag
// back. The destructor closes first, so destroying the grid with a
// filtered list open leaves the lookup dataset as it was.
#pragma once

#include <QPointer>
#include <memory>
#include <optional>
#include <string>

#include "controls/grid/grid_types.h"
#include "platform/rtl/variant.h"
#include "platform/ui/inplace_edit.h"
#include "platform/ui/popup_window.h"

namespace morvane {

class TDataSource;
class TzelColumn;
class TzelCustomDBGrid;
class TzelDlgCalendar;
class TzelListbox;
class TzelPopupData;

enum TzelEditStyle : uint8_t { esNone, esEllipsis, esPickList, esDataList, esCalendar };

class TzelDBGridInplaceEdit : public TInplaceEdit {
 public:
  explicit TzelDBGridInplaceEdit(TzelCustomDBGrid* grid);
  ~TzelDBGridInplaceEdit() override;

  TzelCustomDBGrid* DBGrid() const { return dbGrid_; }
  TzelEditStyle EditStyle() const { return editStyle_; }
  bool ListVisible() const { return listVisible_; }
  int ButtonWidth() const { return buttonWidth_; }
  // The drop-down of the current edit style, or null.
  QWidget* ActiveList() const { return activeList_; }
  TzelListbox* PickList() const { return pickList_; }
  TzelPopupData* DataList() const { return dataList_; }
  TzelDlgCalendar* Calendar() const { return calendar_; }

  void DropDown();
  void CloseUp(bool accept);
  void SetEditStyle(TzelEditStyle style);
  // key: a key code; may be cleared.
  void DoDropDownKeys(TKeyCode& key, TShiftState shift);

  QRect ButtonRect() const;
  bool OverButton(const QPoint& point) const { return ButtonRect().contains(point); }
  bool Pressed() const { return pressed_; }
  bool Tracking() const { return tracking_; }

  // TGridEditor.
  void UpdateContents() override;
  void CloseUpWithoutAccept() override { CloseUp(false); }

 protected:
  void KeyDown(TKeyCode& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void KeyUp(TKeyCode& key, TShiftState shift) override;

  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  TzelColumn* CurrentColumn() const;
  TzelEditStyle StyleForColumn(TzelColumn* column) const;
  void UpdateTextRect();
  void PrepareDataList(TzelColumn* column);
  void PreparePickList(TzelColumn* column);
  void ListMouseUp(QWidget* list, Qt::MouseButton button, const QPoint& point);
  void ForwardKeyToList(TKeyCode key);
  void ForwardCharacterToList(char32_t character);
  void TrackButton(const QPoint& point);
  void StopTracking();
  void EditButtonClick();
  void SpecialKeyDown(TKeyCode& key);
  // The list's own widget that receives mouse events (the viewport of a
  // list box), and the client rectangle a release must fall in.
  QWidget* MouseTarget(QWidget* list) const;
  void PaintButton(QPainter& painter);

  TzelCustomDBGrid* dbGrid_;
  int buttonWidth_ = 0;
  TzelPopupData* dataList_ = nullptr;
  TzelListbox* pickList_ = nullptr;
  TzelDlgCalendar* calendar_ = nullptr;
  QWidget* activeList_ = nullptr;
  TzelEditStyle editStyle_ = esNone;
  bool listVisible_ = false;
  std::unique_ptr<TDataSource> lookupSource_;
  bool tracking_ = false;
  bool pressed_ = false;
  // The drag that began on the button went over to the open list.
  bool dragHandedOver_ = false;
  TPopupCloser closer_;
};

}  // namespace morvane
