#include "replace/plain_names.h"

#include "platform/rtl/exceptions.h"
#include "replace/replacement_messages.h"

namespace morvane {

bool IsPlainName(std::string_view name) {
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       (c >= '0' && c <= '9') || c == '_' || c == '$';
    if (!plain) return false;
  }
  return true;
}

void CheckPlainName(const std::string& name) {
  if (!IsPlainName(name)) {
    throw EDatabaseError("Имя " + replacemsg::Quoted(name) +
                         " недопустимо: ожидаются буквы, цифры и знак _");
  }
}

}  // namespace morvane
