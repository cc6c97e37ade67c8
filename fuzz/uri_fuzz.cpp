// Any text as an address: the URI parser either parses it or fails with one
// of its two documented errors; the parts it gives are normalised as
// promised; percent-encoding any component and decoding it again gives it
// back, and the encoding holds only the characters it may.
#include <boost/lexical_cast.hpp>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "fuzz/fuzz_support.h"
#include "scripting/uri.h"

using nzfuzz::require;

namespace {

bool hasUpper(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 'A' && c <= 'Z') return true;
  }
  return false;
}

bool mayStayUnencoded(unsigned char c) {
  return std::isalnum(c) || std::string("$-_.!*'(),/").find(static_cast<char>(c)) != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string encoded = FB::URI::urlEncode(text);
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const unsigned char c = encoded[i];
    if (c == '%') {
      require(i + 2 < encoded.size() && std::isxdigit(static_cast<unsigned char>(encoded[i + 1])) &&
                  std::isxdigit(static_cast<unsigned char>(encoded[i + 2])),
              "an escape is % and two hex digits");
      i += 2;
    } else {
      require(mayStayUnencoded(c), "only the safe characters stay unencoded");
    }
  }
  require(FB::URI::urlDecode(encoded) == text, "decode(encode(x)) == x");
  require(FB::URI::urlDecode(text).size() <= text.size(), "decoding never grows the text");

  FB::URI uri;
  try {
    uri = FB::URI::parse(text);
  } catch (const boost::bad_lexical_cast&) {
    return 0;  // a port that is no 16-bit number
  } catch (const std::runtime_error&) {
    return 0;  // a protocol with other than letters and digits
  }
  require(!hasUpper(uri.protocol) && !hasUpper(uri.domain), "protocol and domain are lower case");
  for (unsigned char c : uri.protocol) require(std::isalnum(c), "a protocol is letters and digits");
  (void)uri.toString();
  return 0;
}
