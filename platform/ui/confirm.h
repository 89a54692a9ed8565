// The OK/Cancel confirmation of the application: modal, captioned with the
// application title, with the question icon, OK as the default button and
// Cancel as the escape button. Closing the box any other way counts as
// Cancel.
//
// Every confirmation goes through one hook, like the message boxes. With no
// hook installed a real modal box is shown; tests install a hook that
// records the texts and gives the answer instead of blocking on a dialog.
#pragma once

#include <functional>
#include <string>

namespace morvane {

// Returns true for OK.
using TConfirmHook = std::function<bool(const std::string& caption, const std::string& text)>;

// Shows text with OK and Cancel; true when the operator chose OK.
bool ConfirmOkCancel(const std::string& text);

// Replaces the hook and returns the previous one; an empty hook restores the
// real box.
TConfirmHook SetConfirmHook(TConfirmHook hook);

}  // namespace morvane
