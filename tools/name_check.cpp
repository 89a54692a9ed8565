#include "tools/name_check.h"

#include "platform/rtl/exceptions.h"
#include "replace/replacement_messages.h"

namespace morvane::tools {

void CheckName(const std::string& name) {
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       (c >= '0' && c <= '9') || c == '_' || c == '$';
    if (!plain) {
      throw EDatabaseError("Имя " + replacemsg::Quoted(name) +
                           " недопустимо: ожидаются буквы, цифры и знак _");
    }
  }
}

}  // namespace morvane::tools
