// TForm_Template1: the base of the wizard's forms.
//
// A top-level window whose handlers follow the framework's form events:
// FormCreate runs once the derived form has built its controls (the derived
// constructor calls it), FormShow each time the form is about to be shown by
// the program (not when the window system merely restores it), FormDestroy
// from the derived destructor. Every handler runs guarded: an exception is
// shown by the application's standard display and never reaches the event
// loop.
#pragma once

#include <QWidget>

namespace morvane {

class TForm_Template1 : public QWidget {
 public:
  explicit TForm_Template1(QWidget* parent = nullptr);

 protected:
  virtual void FormShow() {}
  void showEvent(QShowEvent* event) override;
};

}  // namespace morvane
