// The step 3 part of morvane-render-tabs --journey: from the generated
// script on, with the preview, the check box, all-or-nothing, the undo and
// line by line. Declared apart so the journey's earlier steps stay one file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class QWidget;

namespace morvane {
class TFormUM;
}

namespace morvane::render {

// A message the box hook collected, with its icon.
struct ShownMessage {
  std::string text;
  bool error = true;
};

// Saves a widget's picture; false (after saying so on stderr) when it
// cannot be written.
bool SaveWidget(QWidget& widget, const std::filesystem::path& file);

// Step 3 shown, ButtonGen not pressed yet. messages: what the message box
// hook collected. Writes step3-script.png, step3-whole.png,
// step3-enlarged.png, message-whole-failed.png, message-whole-applied.png,
// message-undo.png and message-failed-line.png; returns the number of
// pictures or messages that went wrong.
int RenderStep3Journey(TFormUM& form, const std::filesystem::path& output,
                       std::vector<ShownMessage>& messages);

}  // namespace morvane::render
