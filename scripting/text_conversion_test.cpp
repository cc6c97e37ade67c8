// Tests of FB::toUtf8 / FB::toWide on both wide-text widths: UTF-16
// (Windows) and UTF-32 (Linux).
#include "scripting/text_conversion.h"

#include <exception>
#include <string>

#include <gtest/gtest.h>

namespace {

constexpr bool kUtf16 = sizeof(wchar_t) == 2;

// The message of the exception the call throws, or "<no exception>".
template <typename F>
std::string failureOf(F&& call) {
  try {
    call();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "<no exception>";
}

std::wstring wideOf(std::initializer_list<unsigned> units) {
  std::wstring out;
  for (unsigned u : units) out += static_cast<wchar_t>(u);
  return out;
}

TEST(TextConversion, RoundTripsAsciiAndEmpty) {
  EXPECT_EQ(FB::toUtf8(L"Hello, world"), "Hello, world");
  EXPECT_EQ(FB::toWide("Hello, world"), L"Hello, world");
  EXPECT_EQ(FB::toUtf8(L""), "");
  EXPECT_EQ(FB::toWide(""), L"");
}

TEST(TextConversion, TwoByteCharacter) {
  EXPECT_EQ(FB::toUtf8(L"caf\u00E9"), "caf\xC3\xA9");
  EXPECT_EQ(FB::toWide("caf\xC3\xA9"), L"caf\u00E9");
}

TEST(TextConversion, CharacterOutsideTheBasicPlane) {
  const std::wstring wide = L"\U0001F600";  // one code point, U+1F600
  if constexpr (kUtf16) {
    EXPECT_EQ(wide, wideOf({0xD83D, 0xDE00}));  // a surrogate pair
  } else {
    EXPECT_EQ(wide, wideOf({0x1F600}));
  }
  const std::string utf8 = FB::toUtf8(wide);
  EXPECT_EQ(utf8, "\xF0\x9F\x98\x80");
  EXPECT_EQ(FB::toWide(utf8), wide);
}

TEST(TextConversion, EmbeddedNulIsPreserved) {
  const std::string utf8("a\0b\0", 4);
  const std::wstring wide(L"a\0b\0", 4);
  EXPECT_EQ(FB::toWide(utf8), wide);
  EXPECT_EQ(FB::toUtf8(wide), utf8);
}

TEST(TextConversion, LongTextIsNotTruncated) {
  std::wstring wide;
  for (int i = 0; i < 5000; ++i) wide += L"x\u00E9\U0001F600";
  const std::string utf8 = FB::toUtf8(wide);
  EXPECT_EQ(utf8.size(), 5000u * (1 + 2 + 4));
  EXPECT_EQ(FB::toWide(utf8), wide);
}

// Invalid wide text: a UTF-16 decoder rejects broken surrogate pairs; a
// UTF-32 encoder rejects any surrogate value, or one beyond U+10FFFF, as a
// code point.
TEST(TextConversion, InvalidWideTextFails) {
  const char* expected = kUtf16 ? "Invalid UTF-16" : "Invalid code point";
  EXPECT_EQ(failureOf([] { FB::toUtf8(wideOf({0xD800})); }), expected);
  EXPECT_EQ(failureOf([] { FB::toUtf8(wideOf({'a', 0xD800})); }), expected);
  EXPECT_EQ(failureOf([] { FB::toUtf8(wideOf({0xDC00})); }), expected);
  EXPECT_EQ(failureOf([] { FB::toUtf8(wideOf({0xDE00, 0xD83D})); }), expected);
  EXPECT_EQ(failureOf([] { FB::toUtf8(wideOf({0xD83D, 'a'})); }), expected);
  if constexpr (!kUtf16) {
    EXPECT_EQ(failureOf([] { FB::toUtf8(wideOf({0x110000})); }),
              "Invalid code point");
  }
}

TEST(TextConversion, MalformedUtf8Fails) {
  EXPECT_EQ(failureOf([] { FB::toWide("\xFF"); }), "Invalid UTF-8");
  EXPECT_EQ(failureOf([] { FB::toWide("\x80"); }), "Invalid UTF-8");
  EXPECT_EQ(failureOf([] { FB::toWide("\xC3("); }), "Invalid UTF-8");
  EXPECT_EQ(failureOf([] { FB::toWide("\xC0\x80"); }), "Invalid UTF-8");
  // A sequence cut off by the end of the text: utfcpp reports it as running
  // out of input rather than as invalid UTF-8.
  EXPECT_EQ(failureOf([] { FB::toWide("\xC3"); }), "Not enough space");
  EXPECT_EQ(failureOf([] { FB::toWide("ok\xF0\x9F\x98"); }), "Not enough space");
}

TEST(TextConversion, Utf8OfNonCharacterCodePointsFails) {
  // An encoded surrogate and a value above U+10FFFF are well-formed bytes
  // but not code points.
  EXPECT_EQ(failureOf([] { FB::toWide("\xED\xA0\x80"); }), "Invalid code point");
  EXPECT_EQ(failureOf([] { FB::toWide("\xF4\x90\x80\x80"); }),
            "Invalid code point");
}

}  // namespace
