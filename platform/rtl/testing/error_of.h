// The message of the database error an action raises, for tests that check
// messages: "(no error)" when the action raises none.
#pragma once

#include <functional>
#include <string>

#include "platform/rtl/exceptions.h"

namespace morvane {

inline std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EDatabaseError& error) {
    return error.what();
  }
  return "(no error)";
}

}  // namespace morvane
