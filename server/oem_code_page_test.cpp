#include "server/oem_code_page.h"

#include <iconv.h>

#include <gtest/gtest.h>

#include <string>

namespace morvane {
namespace {

TEST(OemCodePageTest, WritesCyrillicAsCp866Bytes) {
  EXPECT_EQ(Utf8ToOem("Акт яЁё №1"), std::string("\x80\xAA\xE2 \xEF\xF0\xF1 \xFC"
                                                 "1"));
  EXPECT_EQ(Utf8ToOem("INSERT 'x'\r\n"), "INSERT 'x'\r\n");
}

TEST(OemCodePageTest, MarksCharactersWithoutOemFormAndBrokenBytes) {
  EXPECT_EQ(Utf8ToOem("€ ä 😀"), "? ? ?");
  // A cut character, a stray continuation byte, an overlong '/'.
  EXPECT_EQ(Utf8ToOem("\xD0"), "?");
  EXPECT_EQ(Utf8ToOem("a\x80z"), "a?z");
  EXPECT_EQ(Utf8ToOem("\xC0\xAF"), "?");
}

// Every upper-half byte of CP866 as the C library decodes it comes back as
// that byte, so the table matches the system's own code page.
TEST(OemCodePageTest, AgreesWithTheSystemCodePageForEveryByte) {
  iconv_t toUtf8 = iconv_open("UTF-8", "CP866");
  if (toUtf8 == iconv_t(-1)) GTEST_SKIP() << "the C library has no CP866 converter";
  for (int code = 0x80; code <= 0xFF; ++code) {
    char input = char(code);
    char output[8] = {};
    char* in = &input;
    char* out = output;
    size_t inLeft = 1;
    size_t outLeft = sizeof output;
    ASSERT_NE(iconv(toUtf8, &in, &inLeft, &out, &outLeft), size_t(-1)) << code;
    EXPECT_EQ(Utf8ToOem(std::string(output, out)), std::string(1, char(code))) << code;
  }
  iconv_close(toUtf8);
}

}  // namespace
}  // namespace morvane
