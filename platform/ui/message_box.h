// Message boxes of the application: modal, captioned with the application
// title, with the stop icon (or, for news that is not an error, the
// information icon) and one OK button. The text shows as written, never
// taken for markup: it carries values and servers' reasons.
//
// Every box goes through one hook. With no hook installed a real modal box is
// shown; tests install a hook to record the texts instead of blocking on a
// dialog nobody can close.
#pragma once

#include <functional>
#include <string>

namespace morvane {

using TMessageBoxHook = std::function<void(const std::string& caption, const std::string& text)>;

// Shows text and waits for OK.
void MessageBoxStop(const std::string& text);
// Shows text that reports no error and waits for OK.
void MessageBoxInformation(const std::string& text);

// Replaces the hook and returns the previous one; an empty hook restores the
// real box.
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook);

// Inside a hook: whether the box it stands for carries the stop icon (false
// for MessageBoxInformation), so a recorder can draw it as it would show.
bool MessageBoxShowsError();

}  // namespace morvane
