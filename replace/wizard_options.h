// The wizard's own options in Mvrn.ini, section "Wizard" (no setting is
// named so: a setting's section always holds a point). They switch on what
// goes beyond the written wizard and keep the window's size:
//
//   [Wizard]
//   Counts=1        step 2 shows the row count of each value ("Записей")
//                   and a summary line under the grid
//   Suggestions=1   step 2 suggests an allowed value for unmapped values
//                   and offers "Принять предложения"
//   Groups=1        step 2 groups near spellings of the field's own values
//                   when the setting names no reference table, and proposes
//                   each group's most frequent spelling for the others
//   Width=640       the window's size when it was last closed, when the
//   Height=480      operator had enlarged it
//
// Missing keys are off and the designed size: without the section the
// wizard is exactly the written one. Step 2 shows a switch for each of the
// first three and keeps it here. The program writes the section switched on
// when it starts without any settings file, so that a new installation
// shows what step 2 can do. No Qt.
#pragma once

#include <string>

namespace morvane {

inline constexpr char kWizardSection[] = "Wizard";

struct CWizardOptions {
  bool Present = false;  // the section exists: step 2 shows the switches
  bool Counts = false;
  bool Suggestions = false;
  bool Groups = false;
  int Width = 0;  // 0: the designed size
  int Height = 0;
};

CWizardOptions LoadWizardOptions(const std::string& iniPath);
// Writes the three switches; the other keys of the file stay as they are.
void SaveWizardSwitches(const std::string& iniPath, const CWizardOptions& options);
// When no file is at iniPath: writes one with the three switches on, and
// returns true. An existing file is left exactly as it is.
bool WriteFirstStartOptions(const std::string& iniPath);
// Writes the window's size; the other keys of the section stay as they are.
void SaveWindowSize(const std::string& iniPath, int width, int height);

}  // namespace morvane
