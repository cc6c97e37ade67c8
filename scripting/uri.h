// FB::URI: a parsed URL (protocol, login, domain, port, decoded path, decoded
// query map, raw fragment) with its text form, and the percent-encoding of
// single URL components.
// A plain value type: no shared state, so any thread may use its own values;
// the static helpers are pure and safe from any thread.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace FB {

struct URI {
  std::string protocol;  // lower case, e.g. "http"; empty when none was given
  std::string login;     // the part before '@' in the authority, usually empty
  std::string domain;    // lower case
  std::uint16_t port = 0;  // 0 when not given
  std::string path;      // percent-decoded
  std::map<std::string, std::string> queryData;  // decoded keys and values
  std::string fragment;  // text after '#', kept as written

  URI() = default;
  // Deliberately implicit: callers hand over addresses as text wherever a
  // URI is expected. Throws like parse().
  URI(const std::string& text);  // NOLINT(google-explicit-constructor)

  // Parses text into its parts. Throws std::runtime_error when the protocol
  // holds anything but ASCII letters and digits, and boost::bad_lexical_cast
  // when the port is not a decimal number that fits 16 bits.
  static URI parse(const std::string& text);

  // The text form; path, query keys and values are percent-encoded.
  std::string toString() const;

  // Percent-encodes every byte except ASCII letters, digits and
  // $ - _ . ! * ' ( ) , /  as "%xx" (lower-case hex).
  static std::string urlEncode(const std::string& text);
  // Replaces "%XX" (either case) by its byte; everything else, including a
  // '%' without two hex digits and '+', is copied unchanged.
  static std::string urlDecode(const std::string& text);

  // Adds the entries of a query string (without the '?') to queryData; a
  // repeated key keeps its last value.
  void parseQuery(const std::string& query);
};

}  // namespace FB
