// Parsing, printing and percent-encoding of FB::URI values. See uri.h.
#include "scripting/uri.h"

#include <stdexcept>
#include <string_view>
#include <typeinfo>

#include <boost/lexical_cast.hpp>

namespace FB {
namespace {

bool isAsciiAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
         (c >= 'A' && c <= 'Z');
}

// Lower-cases ASCII letters only; bytes from 0x80 pass through untouched
// whatever the C locale says.
std::string asciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool keptByEncoding(unsigned char c) {
  if (isAsciiAlnum(c)) return true;
  switch (c) {
    case '$': case '-': case '_': case '.': case '!': case '*':
    case '\'': case '(': case ')': case ',': case '/':
      return true;
    default:
      return false;
  }
}

// lexical_cast<unsigned short> takes a leading sign and wraps "-1" round to
// 65535; a port must be plain decimal digits, so anything else fails the
// same way a non-numeric port does.
std::uint16_t parsePort(const std::string& text) {
  for (char c : text) {
    if (c < '0' || c > '9') {
      throw boost::bad_lexical_cast(typeid(std::string), typeid(unsigned short));
    }
  }
  return boost::lexical_cast<unsigned short>(text);
}

// Splits an authority ("login@domain:port") into the URI's fields.
void parseAuthority(std::string_view authority, URI& uri) {
  std::string_view host = authority;
  if (auto at = authority.find('@'); at != std::string_view::npos) {
    uri.login = std::string(authority.substr(0, at));
    host = authority.substr(at + 1);
  }
  if (auto colon = host.find(':'); colon != std::string_view::npos) {
    uri.domain = asciiLower(host.substr(0, colon));
    uri.port = parsePort(std::string(host.substr(colon + 1)));
  } else {
    uri.domain = asciiLower(host);
  }
}

}  // namespace

URI::URI(const std::string& text) : URI(parse(text)) {}

URI URI::parse(const std::string& text) {
  URI uri;
  std::string_view rest = text;

  if (auto sep = rest.find("://"); sep != std::string_view::npos) {
    uri.protocol = asciiLower(rest.substr(0, sep));
    rest.remove_prefix(sep + 3);
  }
  for (char c : uri.protocol) {
    if (!isAsciiAlnum(static_cast<unsigned char>(c))) {
      throw std::runtime_error("URI: invalid characters in protocol part");
    }
  }

  // A file URI has no authority: everything after "://" is the path part.
  std::string pathPart;
  if (uri.protocol != "file") {
    auto slash = rest.find_first_of("/\\");
    if (slash == std::string_view::npos) {
      parseAuthority(rest, uri);
      pathPart = "/";
    } else {
      parseAuthority(rest.substr(0, slash), uri);
      pathPart = std::string(rest.substr(slash));
    }
  } else {
    pathPart = std::string(rest);
  }

  if (auto hash = pathPart.find('#'); hash != std::string::npos) {
    uri.fragment = pathPart.substr(hash + 1);
    pathPart.erase(hash);
  }
  if (auto question = pathPart.find('?'); question != std::string::npos) {
    uri.parseQuery(pathPart.substr(question + 1));
    pathPart.erase(question);
  }
  uri.path = urlDecode(pathPart);
  return uri;
}

std::string URI::toString() const {
  std::string out = protocol + "://";
  if (!login.empty()) out += login + "@";
  out += domain;
  if (port != 0) out += ":" + std::to_string(port);
  out += urlEncode(path);
  if (!queryData.empty()) {
    char separator = '?';
    for (const auto& [key, value] : queryData) {
      out += separator;
      out += urlEncode(key) + "=" + urlEncode(value);
      separator = '&';
    }
  }
  if (!fragment.empty()) out += "#" + fragment;
  return out;
}

std::string URI::urlEncode(const std::string& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (keptByEncoding(c)) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

std::string URI::urlDecode(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() &&
        hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

void URI::parseQuery(const std::string& query) {
  // Every '&' separates a piece, so empty pieces (from "a&&b" or an empty
  // query) yield the empty key.
  std::string_view rest = query;
  while (true) {
    const auto amp = rest.find('&');
    const std::string_view piece = rest.substr(0, amp);

    const auto eq = piece.find('=');
    if (eq == std::string_view::npos) {
      queryData[urlDecode(std::string(piece))] = std::string();
    } else {
      // Only the first two fields count: "a=b=c" maps a to b.
      const std::string_view tail = piece.substr(eq + 1);
      const std::string_view value = tail.substr(0, tail.find('='));
      queryData[urlDecode(std::string(piece.substr(0, eq)))] =
          urlDecode(std::string(value));
    }

    if (amp == std::string_view::npos) break;
    rest.remove_prefix(amp + 1);
  }
}

}  // namespace FB
