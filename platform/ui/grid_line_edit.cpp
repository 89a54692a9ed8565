#include "platform/ui/grid_line_edit.h"

#include <QApplication>
#include <QKeyEvent>

#include "platform/rtl/text.h"
#include "platform/ui/custom_grid.h"

namespace morvane {

TGridLineEdit::TGridLineEdit(TCustomGrid* grid) : QLineEdit(grid->viewport()), grid_(grid) {
  setFrame(false);
  connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { TextEdited(text); });
}

void TGridLineEdit::UpdateContents() {
  limitBytes_ = grid_->GetEditLimit();
  originalText_ = grid_->GetEditText(grid_->Col(), grid_->Row());
  setText(QString::fromStdString(originalText_));
  setFont(grid_->Font().Handle());
  selectAll();
}

void TGridLineEdit::SetEditorText(const std::string& text) {
  if (text == EditorText()) return;
  setText(QString::fromStdString(text));
}

void TGridLineEdit::Reset() {
  setText(QString::fromStdString(originalText_));
  selectAll();
}

void TGridLineEdit::TextEdited(const QString& text) {
  std::string value = text.toStdString();
  if (limitBytes_ > 0 && int(value.size()) > limitBytes_) {
    // The limit counts bytes; cut at a character boundary.
    const int cursor = cursorPosition();
    value = std::string(Utf8Truncate(value, size_t(limitBytes_)));
    setText(QString::fromStdString(value));
    setCursorPosition(std::min(cursor, int(QString::fromStdString(value).size())));
  }
  grid_->SetEditText(grid_->Col(), grid_->Row(), value);
}

bool TGridLineEdit::event(QEvent* event) {
  // Tab would otherwise leave through Qt's focus chain before
  // keyPressEvent hands it to the grid.
  if (grid_->TakesTab(*event)) {
    keyPressEvent(static_cast<QKeyEvent*>(event));
    return true;
  }
  return QLineEdit::event(event);
}

void TGridLineEdit::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_F2:
      QApplication::sendEvent(grid_, event);
      return;
    default:
      break;
  }
  const bool changesText = !event->text().isEmpty() || event->key() == Qt::Key_Backspace ||
                           event->key() == Qt::Key_Delete || event->matches(QKeySequence::Paste) ||
                           event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Undo);
  if (changesText && !isReadOnly() && !grid_->CanEditModify()) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

}  // namespace morvane
