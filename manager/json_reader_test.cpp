// The reader over well-formed and hostile text: keys, strings with escapes,
// skipped values and raw objects, and what each failure leaves behind.
#include "manager/json_reader.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using Norvell::JSONReader;

TEST(JSONReader, ReadsKeysAndStringsAsWritten) {
  JSONReader reader(R"( "a" : "x\"y" , "b""c\\",  "k\d":)");
  std::string key, value;
  ASSERT_TRUE(reader.readKey(key) && reader.readString(value));
  EXPECT_EQ(key + "=" + value, R"(a=x\"y)");  // an escaped quote stays, and does not close
  ASSERT_TRUE(reader.readKey(key) && reader.readString(value));  // no colon needed
  EXPECT_EQ(key + "=" + value, R"(b=c\\)");
  ASSERT_TRUE(reader.readKey(key));
  EXPECT_EQ(key, "k\\d");  // a backslash is an ordinary character in a key
  EXPECT_FALSE(reader.readString(value));
  EXPECT_EQ(reader.cursor, reader.end);
}

TEST(JSONReader, UnterminatedKeysAndStringsUseTheReaderUp) {
  for (const char* text : {"\"abc", "\"abc\\\"", "\"", "\"abc\\"}) {
    std::string out;
    JSONReader keyReader(text);
    EXPECT_EQ(keyReader.readKey(out), std::string(text) == "\"abc\\\"") << text;  // keys ignore escapes
    JSONReader reader(text);
    EXPECT_FALSE(reader.readString(out)) << text;
    EXPECT_GT(reader.cursor, reader.end) << text;
    EXPECT_FALSE(reader.openObject() || reader.matchLiteral("") || reader.readValue(out)) << text;
  }
}

TEST(JSONReader, ValuesAreLiteralsQuotedStringsOrRawObjects) {
  JSONReader reader(R"(nullx "s\"t" {"a":"}{","b":{"c":[1,2]}} 12)");
  std::string out;
  ASSERT_TRUE(reader.readValue(out));  // a prefix is enough
  EXPECT_EQ(out + reader.text[reader.cursor], "nullx");
  ++reader.cursor;
  ASSERT_TRUE(reader.readValue(out));
  EXPECT_EQ(out, R"("s\"t")");
  ASSERT_TRUE(reader.readValue(out));
  EXPECT_EQ(out, R"({"a":"}{","b":{"c":[1,2]}})");
  EXPECT_FALSE(reader.readValue(out));
  EXPECT_EQ(reader.text[reader.cursor], '1');
  for (const char* text : {"[\"a\"]", "-1", "}", ""}) {
    JSONReader other(text);
    EXPECT_FALSE(other.readValue(out)) << text;
    EXPECT_EQ(other.cursor, 0u) << text;
  }
}

TEST(JSONReader, RawObjectsMustBeBalanced) {
  std::string out;
  JSONReader prefixed(" ,{\"a\":{}}x");
  ASSERT_TRUE(prefixed.readRawObject(out));
  EXPECT_EQ(out, " ,{\"a\":{}}");  // what the opening skipped belongs to the text
  for (const char* text : {"{\"a\":{\"b\":\"c\"}", "{\"a\":\"}", "{:1,"}) {
    JSONReader reader(text);
    EXPECT_FALSE(reader.readRawObject(out)) << text;
    EXPECT_GT(reader.cursor, reader.end) << text;
  }
}

TEST(JSONReader, OpeningAndClosingStepOverOnlyWhatIsThere) {
  JSONReader reader(" ,[ ,{ } ]\f");
  EXPECT_FALSE(reader.openObject());
  EXPECT_EQ(reader.cursor, 2u);  // past the white space and the comma
  EXPECT_TRUE(reader.openArray() && reader.openObject());
  reader.closeArray();  // not at "]": only white space goes
  reader.closeObject();
  reader.closeArray();
  EXPECT_EQ(reader.text.substr(reader.cursor), "\f");  // no white space
  JSONReader blank(" \t\r\n");
  std::string out;
  EXPECT_FALSE(blank.openArray() || blank.readKey(out) || blank.readRawObject(out));
  EXPECT_EQ(blank.cursor, blank.end);
}

}  // namespace
