// The Cyrillic OEM code page (CP866) of console programs and old DOS-era
// tools, for insert scripts that such tools read.
//
// Texts are UTF-8 everywhere else in the program; Utf8ToOem writes each
// character as its one CP866 byte. ASCII stays as it is; a character that
// CP866 cannot show, and every byte that is not valid UTF-8, becomes '?'.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

std::string Utf8ToOem(std::string_view text);

}  // namespace morvane
