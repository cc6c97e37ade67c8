// Base64 codec: RFC 4648 vectors, the long-input fast paths against a plain
// bit-by-bit encoder, and the decoder's errors, their order and its quirks.
#include "app/base64.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using Norvell::base64Decode;
using Norvell::base64Encode;

std::string encode(const std::string& bytes) {
  return base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string decode(const std::string& text) {
  const std::vector<unsigned char> bytes = base64Decode(text);
  return std::string(bytes.begin(), bytes.end());
}

// The raw form: the decoded bytes, with the buffer freed.
std::string decodeRaw(const std::string& text) {
  std::size_t length = 0;
  unsigned char* buffer = nullptr;
  base64Decode(text, &length, &buffer);
  std::string bytes(reinterpret_cast<const char*>(buffer), length);
  delete[] buffer;
  return bytes;
}

// Six bits at a time, the slow way.
std::string referenceEncoding(const std::vector<unsigned char>& bytes) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  std::size_t bit = 0;
  const std::size_t bits = bytes.size() * 8;
  for (; bit < bits; bit += 6) {
    int value = 0;
    for (std::size_t k = bit; k < bit + 6; ++k) {
      const int set = k < bits ? (bytes[k / 8] >> (7 - k % 8)) & 1 : 0;
      value = value * 2 + set;
    }
    text += alphabet[value];
  }
  while (text.size() % 4 != 0) text += '=';
  return text;
}

template <class Decoder>
void expectDecodeError(Decoder decoder, const std::string& text, const std::string& message) {
  try {
    decoder(text);
    ADD_FAILURE() << "no error for \"" << text << "\"";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), message) << "for \"" << text << "\"";
  }
}

TEST(Base64, EncodesTheRfcVectorsAndSmallEdgeCases) {
  EXPECT_EQ(encode(""), "");
  EXPECT_EQ(encode("f"), "Zg==");
  EXPECT_EQ(encode("fo"), "Zm8=");
  EXPECT_EQ(encode("foo"), "Zm9v");
  EXPECT_EQ(encode("foob"), "Zm9vYg==");
  EXPECT_EQ(encode("fooba"), "Zm9vYmE=");
  EXPECT_EQ(encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(encode(std::string(1, '\0')), "AA==");
  EXPECT_EQ(encode("\xFB\xFF"), "+/8=");
  EXPECT_EQ(base64Encode(nullptr, 5), "");
}

// Inputs long enough for the multi-byte loads, at every tail length.
TEST(Base64, LongInputsEncodeAsTheBitByBitReferenceAndDecodeBack) {
  std::vector<unsigned char> bytes;
  std::uint32_t state = 12345;
  for (int length = 0; length <= 100; ++length) {
    const std::string text = base64Encode(bytes.data(), bytes.size());
    ASSERT_EQ(text, referenceEncoding(bytes)) << "length " << length;
    EXPECT_EQ(base64Decode(text), bytes) << "length " << length;
    state = state * 1103515245u + 12345u;
    bytes.push_back(static_cast<unsigned char>(state >> 16));
  }
  const std::vector<unsigned char> everyByte = [] {
    std::vector<unsigned char> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<unsigned char>(i);
    return all;
  }();
  EXPECT_EQ(base64Encode(everyByte.data(), everyByte.size()), referenceEncoding(everyByte));
}

TEST(Base64, DecodesTheRfcVectorsInBothForms) {
  const char* const vectors[][2] = {{"Zg==", "f"},        {"Zm8=", "fo"},        {"Zm9v", "foo"},
                                    {"Zm9vYg==", "foob"}, {"Zm9vYmE=", "fooba"}, {"Zm9vYmFy", "foobar"},
                                    {"+/8=", "\xFB\xFF"}};
  for (const auto& [text, bytes] : vectors) {
    EXPECT_EQ(decode(text), bytes) << text;
    EXPECT_EQ(decodeRaw(text), bytes) << text;
  }
  EXPECT_EQ(decode("AA=="), std::string(1, '\0'));
  EXPECT_EQ(decodeRaw("AA=="), std::string(1, '\0'));
  EXPECT_TRUE(base64Decode("").empty());
}

TEST(Base64, EmptyTextOrMissingOutParametersReturnAtOnce) {
  std::size_t length = 77;
  unsigned char marker = 0;
  unsigned char* buffer = &marker;
  base64Decode("", &length, &buffer);
  EXPECT_EQ(length, 77u);
  EXPECT_EQ(buffer, &marker);
  // Returning comes before every check, even for a text of the wrong length.
  EXPECT_NO_THROW(base64Decode("abc", nullptr, &buffer));
  EXPECT_NO_THROW(base64Decode("abc", &length, nullptr));
  EXPECT_EQ(buffer, &marker);
}

TEST(Base64, ErrorsAndTheirOrder) {
  for (auto decoder :
       {+[](const std::string& t) { decode(t); }, +[](const std::string& t) { decodeRaw(t); }}) {
    expectDecodeError(decoder, "abcde", "Non-Valid base64!");
    expectDecodeError(decoder, "ab!", "Non-Valid base64!");  // the length is checked before the characters
    expectDecodeError(decoder, "ab c", "Non-Valid Character in Base 64!");
    expectDecodeError(decoder, "ab\ncdefg", "Non-Valid Character in Base 64!");
    expectDecodeError(decoder, "ab-_", "Non-Valid Character in Base 64!");  // the URL-safe alphabet
    expectDecodeError(decoder, "ab\xC3\xA9", "Non-Valid Character in Base 64!");
    expectDecodeError(decoder, std::string("ab\0c", 4), "Non-Valid Character in Base 64!");
    expectDecodeError(decoder, "=AAA", "Invalid Padding in Base 64!");
    expectDecodeError(decoder, "A=AA", "Invalid Padding in Base 64!");
    expectDecodeError(decoder, "QQ==QUJD", "Invalid Padding in Base 64!");
    // The characters are checked from the start: the first fault decides.
    expectDecodeError(decoder, "!=AA", "Non-Valid Character in Base 64!");
    expectDecodeError(decoder, "=!AA", "Invalid Padding in Base 64!");
    expectDecodeError(decoder, "QUJD!AAA", "Non-Valid Character in Base 64!");
  }
}

// A rejected text hands no buffer over, whether the fault is found before
// the allocation (length) or while decoding (a character).
TEST(Base64, ARejectedTextHandsNoBufferOver) {
  for (const char* text : {"QUJD!AAA", "abcde"}) {
    std::size_t length = 0;
    unsigned char* buffer = nullptr;
    EXPECT_THROW(base64Decode(text, &length, &buffer), std::runtime_error) << text;
    EXPECT_EQ(buffer, nullptr) << text;
    EXPECT_EQ(length, 0u) << text;
  }
}

// Only an "=" in the last two positions counts as padding, and it ends the
// decoding: what follows is not examined and unwritten bytes stay zero.
TEST(Base64, PaddingQuirks) {
  EXPECT_EQ(decode("QU=C"), std::string("A\0", 2));
  EXPECT_EQ(decodeRaw("QU=C"), std::string("A\0", 2));
  EXPECT_EQ(decode("QU=!"), std::string("A\0", 2));
  EXPECT_EQ(decode("QUJD"
                   "QU=="),
            "ABCA");
  EXPECT_EQ(decode("QUJD"
                   "QUI="),
            "ABCAB");
}

}  // namespace
