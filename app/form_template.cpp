#include "app/form_template.h"

#include <QShowEvent>

#include "platform/ui/application.h"

namespace morvane {

TForm_Template1::TForm_Template1(QWidget* parent) : QWidget(parent) {}

void TForm_Template1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Spontaneous show events come from the window system (a restored window);
  // the form's show handler belongs to the program showing it.
  if (!event->spontaneous()) Guarded([this] { FormShow(); });
}

}  // namespace morvane
