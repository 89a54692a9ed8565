// The wizard's own options in Mvrn.ini, section "Wizard" (no setting is
// named so: a setting's section always holds a point). They switch on what
// goes beyond the written wizard and keep the window's size:
//
//   [Wizard]
//   Counts=1        step 2 shows the row count of each value ("Записей")
//                   and a summary line under the grid
//   Suggestions=1   step 2 suggests an allowed value for unmapped values
//                   and offers "Принять предложения"
//   Width=640       the window's size when it was last closed, when the
//   Height=480      operator had enlarged it
//
// Missing keys are off and the Part's size: without the section the wizard
// is exactly the written one. No Qt.
#pragma once

#include <string>

namespace morvane {

inline constexpr char kWizardSection[] = "Wizard";

struct CWizardOptions {
  bool Counts = false;
  bool Suggestions = false;
  int Width = 0;  // 0: the designed size
  int Height = 0;
};

CWizardOptions LoadWizardOptions(const std::string& iniPath);
// Writes the window's size; the other keys of the section stay as they are.
void SaveWindowSize(const std::string& iniPath, int width, int height);

}  // namespace morvane
