// Tests of FB::URI: percent-encoding, query parsing, URI parsing and the
// text form.
#include "scripting/uri.h"

#include <stdexcept>
#include <string>

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

namespace {

using FB::URI;
using Query = std::map<std::string, std::string>;

std::string what(const std::exception& e) { return e.what(); }

// ---------------------------------------------------------------- encoding

TEST(UriEncode, KeepsUnreservedAndEscapesTheRestInLowerCaseHex) {
  EXPECT_EQ(URI::urlEncode("a b+c/d"), "a%20b%2bc/d");
  EXPECT_EQ(URI::urlEncode("AZaz09$-_.!*'(),/"), "AZaz09$-_.!*'(),/");
  EXPECT_EQ(URI::urlEncode("?&=#:%"), "%3f%26%3d%23%3a%25");
  EXPECT_EQ(URI::urlEncode(""), "");
}

TEST(UriEncode, EscapesNulAndHighBytesAsUnsigned) {
  EXPECT_EQ(URI::urlEncode("\xC3\xA9"), "%c3%a9");  // é in UTF-8
  EXPECT_EQ(URI::urlEncode(std::string("a\0b", 3)), "a%00b");
  EXPECT_EQ(URI::urlEncode("\x7F\x80\xFF"), "%7f%80%ff");
}

TEST(UriDecode, DecodesOnlyCompleteHexEscapes) {
  EXPECT_EQ(URI::urlDecode("%41%2"), "A%2");
  EXPECT_EQ(URI::urlDecode("%zz"), "%zz");
  EXPECT_EQ(URI::urlDecode("%4g%"), "%4g%");
  EXPECT_EQ(URI::urlDecode("%c3%A9"), "\xC3\xA9");
  EXPECT_EQ(URI::urlDecode("a+b"), "a+b");
  EXPECT_EQ(URI::urlDecode("%00"), std::string("\0", 1));
  // The decoded byte is not decoded again.
  EXPECT_EQ(URI::urlDecode("%2541"), "%41");
}

TEST(UriEncode, DecodeReversesEncodeForEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(URI::urlDecode(URI::urlEncode(all)), all);
}

// ---------------------------------------------------------------- query

TEST(UriQuery, SplitsPiecesAndDecodesKeysAndValues) {
  URI uri;
  uri.parseQuery("x=1&y=%41&a%20b=c+d");
  EXPECT_EQ(uri.queryData, (Query{{"x", "1"}, {"y", "A"}, {"a b", "c+d"}}));
}

TEST(UriQuery, PieceShapes) {
  URI uri;
  uri.parseQuery("flag&k=v=w&k2=");
  EXPECT_EQ(uri.queryData, (Query{{"flag", ""}, {"k", "v"}, {"k2", ""}}));

  // Every '&' separates a piece, so an empty piece gives the empty key.
  URI empty;
  empty.parseQuery("a=1&&b");
  EXPECT_EQ(empty.queryData, (Query{{"", ""}, {"a", "1"}, {"b", ""}}));
}

TEST(UriQuery, RepeatedKeyKeepsLastValueAndExistingEntriesStay) {
  URI uri;
  uri.queryData["old"] = "1";
  uri.parseQuery("k=1&k=2");
  EXPECT_EQ(uri.queryData, (Query{{"old", "1"}, {"k", "2"}}));
}

// ---------------------------------------------------------------- parsing

TEST(UriParse, FullUrl) {
  const URI uri("HTTP://Server:8080/a%20b?x=1&y=%41#top");
  EXPECT_EQ(uri.protocol, "http");
  EXPECT_EQ(uri.login, "");
  EXPECT_EQ(uri.domain, "server");
  EXPECT_EQ(uri.port, 8080);
  EXPECT_EQ(uri.path, "/a b");
  EXPECT_EQ(uri.queryData, (Query{{"x", "1"}, {"y", "A"}}));
  EXPECT_EQ(uri.fragment, "top");
  EXPECT_EQ(uri.toString(), "http://server:8080/a%20b?x=1&y=A#top");
}

TEST(UriParse, WithoutSchemeTheTextStartsWithTheAuthority) {
  const URI uri = URI::parse("server/path");
  EXPECT_EQ(uri.protocol, "");
  EXPECT_EQ(uri.domain, "server");
  EXPECT_EQ(uri.path, "/path");
}

TEST(UriParse, MissingPathBecomesSlash) {
  const URI uri = URI::parse("http://host");
  EXPECT_EQ(uri.domain, "host");
  EXPECT_EQ(uri.port, 0);
  EXPECT_EQ(uri.path, "/");
  EXPECT_EQ(uri.toString(), "http://host/");
}

TEST(UriParse, BackslashEndsTheAuthority) {
  const URI uri = URI::parse("http://host:81\\dir\\f");
  EXPECT_EQ(uri.domain, "host");
  EXPECT_EQ(uri.port, 81);
  EXPECT_EQ(uri.path, "\\dir\\f");
}

TEST(UriParse, FragmentIsCutFirstAndKeptRaw) {
  // The '?' after '#' belongs to the fragment; the fragment is not decoded.
  const URI uri = URI::parse("http://h/p#a%20?b=1");
  EXPECT_EQ(uri.path, "/p");
  EXPECT_TRUE(uri.queryData.empty());
  EXPECT_EQ(uri.fragment, "a%20?b=1");
}

TEST(UriParse, OnlyTheFirstSchemeSeparatorCounts) {
  const URI uri = URI::parse("http://h/x://y");
  EXPECT_EQ(uri.protocol, "http");
  EXPECT_EQ(uri.path, "/x://y");
}

TEST(UriParse, LowerCasesProtocolAndDomainOnly) {
  const URI uri = URI::parse("HtTp://Us:Er@WWW.Ex.COM/Path/CASE");
  EXPECT_EQ(uri.protocol, "http");
  EXPECT_EQ(uri.login, "Us:Er");
  EXPECT_EQ(uri.domain, "www.ex.com");
  EXPECT_EQ(uri.path, "/Path/CASE");
}

TEST(UriParse, LoginWithPort) {
  const URI uri = URI::parse("ftp://user@host:21/f");
  EXPECT_EQ(uri.login, "user");
  EXPECT_EQ(uri.domain, "host");
  EXPECT_EQ(uri.port, 21);
  EXPECT_EQ(uri.toString(), "ftp://user@host:21/f");
}

TEST(UriParse, FileUrisHaveNoAuthority) {
  const URI uri = URI::parse("file:///C:/dir/file.txt");
  EXPECT_EQ(uri.protocol, "file");
  EXPECT_EQ(uri.domain, "");
  EXPECT_EQ(uri.port, 0);
  EXPECT_EQ(uri.path, "/C:/dir/file.txt");
  // The path is percent-encoded as one component, so the drive colon is too.
  EXPECT_EQ(uri.toString(), "file:///C%3a/dir/file.txt");
  EXPECT_EQ(URI(uri.toString()).path, uri.path);

  // Upper-case scheme is still a file URI; "@" and ":" stay in the path.
  const URI upper = URI::parse("FILE://a@b:c/d");
  EXPECT_EQ(upper.login, "");
  EXPECT_EQ(upper.domain, "");
  EXPECT_EQ(upper.path, "a@b:c/d");
}

TEST(UriParse, ProtocolMustBeAsciiLettersAndDigits) {
  for (const char* text : {"ht_tp://x", "h-t://x", "a b://x", "\xC3\xA9://x"}) {
    try {
      URI::parse(text);
      ADD_FAILURE() << "no error for " << text;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(what(e), "URI: invalid characters in protocol part") << text;
    }
  }
  EXPECT_EQ(URI::parse("h2p://x").protocol, "h2p");
  EXPECT_EQ(URI::parse("://x").domain, "x");  // empty protocol is allowed
}

TEST(UriParse, PortMustBeDecimalAndFitSixteenBits) {
  EXPECT_EQ(URI::parse("http://h:65535/").port, 65535);
  for (const char* text : {"http://h:abc/", "http://h:/", "http://h:65536/",
                           "http://h:-1/", "http://h:+80/", "http://h:80x/",
                           "http://h:1:2/"}) {
    try {
      URI::parse(text);
      ADD_FAILURE() << "no error for " << text;
    } catch (const boost::bad_lexical_cast& e) {
      EXPECT_EQ(what(e),
                "bad lexical cast: source type value could not be "
                "interpreted as target")
          << text;
    }
  }
}

// ---------------------------------------------------------------- text form

TEST(UriToString, EncodesPathAndQueryInKeyOrder) {
  URI uri;
  uri.protocol = "http";
  uri.domain = "h";
  uri.path = "/a b/\xC3\xA9";
  uri.queryData = {{"z", "1"}, {"a&b", "c=d"}, {"m", ""}};
  EXPECT_EQ(uri.toString(), "http://h/a%20b/%c3%a9?a%26b=c%3dd&m=&z=1");
}

TEST(UriToString, OmitsEmptyPartsButAlwaysWritesSchemeSeparator) {
  URI uri;
  EXPECT_EQ(uri.toString(), "://");
  uri.domain = "h";
  uri.fragment = "f g";
  EXPECT_EQ(uri.toString(), "://h#f g");
}

TEST(UriToString, ParseOfTextFormGivesSameParts) {
  const URI uri("http://u@h:8/a%2fb%3f/c?k%3d=v%26&x=%23#frag");
  const URI again(uri.toString());
  EXPECT_EQ(again.login, uri.login);
  EXPECT_EQ(again.domain, uri.domain);
  EXPECT_EQ(again.port, uri.port);
  EXPECT_EQ(again.path, uri.path);
  EXPECT_EQ(again.queryData, uri.queryData);
  EXPECT_EQ(again.fragment, uri.fragment);
  EXPECT_EQ(uri.path, "/a/b?/c");
  EXPECT_EQ(uri.queryData, (Query{{"k=", "v&"}, {"x", "#"}}));
}

}  // namespace
