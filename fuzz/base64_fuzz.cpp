// Base64 over any bytes: encoding gives the announced length in the alphabet
// only, encoding piece by piece gives the same text, decoding the encoding
// gives the bytes back; any text either decodes (to a length its own length
// and padding fix, and to bytes whose encoding decodes alike) or fails with
// the decoder's error, never anything else.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/base64.h"
#include "fuzz/fuzz_support.h"

using nzfuzz::require;

namespace {

bool inAlphabet(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
         c == '=';
}

void roundTrip(const std::uint8_t* data, std::size_t size) {
  const std::string encoded = Norvell::base64Encode(data, size);
  require(encoded.size() == (size == 0 ? 0 : Norvell::base64EncodedLength(size)), "encoded length as announced");
  require(encoded.size() % 4 == 0, "encoded text comes in groups of four");
  for (char c : encoded) require(inAlphabet(c), "encoded text uses the alphabet only");
  const std::size_t split = size == 0 ? 0 : (data[0] % (size / 3 + 1)) * 3;  // a multiple of 3
  std::string pieces(Norvell::base64EncodedLength(size), '\0');
  Norvell::base64EncodeInto(data, split, pieces.data());
  Norvell::base64EncodeInto(data + split, size - split, pieces.data() + Norvell::base64EncodedLength(split));
  require(size == 0 || pieces == encoded, "encoding in pieces gives the same text");
  require(Norvell::base64Decode(encoded) == std::vector<unsigned char>(data, data + size), "decode(encode(x)) == x");
}

void decodeAnything(const std::string& text) {
  std::vector<unsigned char> bytes;
  try {
    bytes = Norvell::base64Decode(text);
  } catch (const std::runtime_error&) {
    return;  // malformed text is reported, nothing else
  }
  require(text.size() % 4 == 0, "only whole groups decode");
  std::size_t padding = 0;
  if (!text.empty() && text[text.size() - 1] == '=') ++padding;
  if (text.size() >= 2 && text[text.size() - 2] == '=') ++padding;
  const std::size_t expected = text.size() / 4 * 3;
  require(text.empty() || bytes.size() + padding == expected, "decoded length follows from text length and padding");
  require(Norvell::base64Decode(Norvell::base64Encode(bytes.data(), bytes.size())) == bytes,
          "decoded bytes survive a round trip");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  roundTrip(data, size);
  decodeAnything(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
