// The application object: the title every message box carries, the standard
// exception display, and the message loop.
//
// One per process, reached through Application(). A QApplication must exist
// before Run() or any window; the object itself does not own it, so tests can
// make their own. Exceptions must never cross Qt's event loop: handlers run
// their work through Guarded(), which hands anything thrown to
// HandleException() (EAbort ends the action silently, everything else is
// shown captioned with the title, the stop icon and one OK button).
#pragma once

#include <exception>
#include <string>

namespace morvane {

class TApplication {
 public:
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title);

  // Shows an exception the way every unhandled error is shown.
  void ShowException(const std::exception& error);
  // Shows the exception being handled; call inside a catch block only.
  void HandleException();

  // Runs the message loop until the last window closes; returns its exit code.
  int Run();

 private:
  std::string title_;
};

TApplication& Application();

// Runs work; anything it throws is shown by Application().HandleException().
// Returns false when it threw.
template <class Work>
bool Guarded(Work&& work) {
  try {
    work();
    return true;
  } catch (...) {
    Application().HandleException();
    return false;
  }
}

}  // namespace morvane
