// The page author's reference (docs/page-api.md) and the page typings
// (types/norvell-zephel.d.ts) checked against the built module: the members
// page script finds on the root object and on a file object, listed through
// the fake NPAPI browser as a browser enumerates them, must each be
// documented and typed, and neither document may name a member the module
// does not have.
//
// What is read from the documents:
// - page-api.md: the headings "### `name...`" under "## Members of every
//   object" (both objects), "## The root object" and "## File objects";
// - the typings: the members of the interfaces NorvellZephelScriptable (both
//   objects), NorvellZephelRoot and NorvellZephelFile.
// The typed example (examples/page_api.ts) must also use every member.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "module/module_entry.h"
#include "testing/fake_npapi_browser.h"

namespace {

using FB::testing::FakeNpapiBrowser;
using FB::testing::NpValue;
using Names = std::set<std::string>;

// Members the ActiveX control gives every object in place of the NPAPI
// event members; the NPAPI module cannot list them, the documents must.
const Names kActiveXOnly = {"attachEvent", "detachEvent"};

std::string readFile(const std::string& relativePath) {
  std::ifstream in(std::string(NZ_SOURCE_DIR) + "/" + relativePath);
  EXPECT_TRUE(in) << "cannot read " << relativePath;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The member headings of page-api.md by section title.
std::map<std::string, Names> documentedMembers(const std::string& markdown) {
  std::map<std::string, Names> sections;
  std::istringstream lines(markdown);
  std::string line;
  std::string section;
  const std::regex member(R"(^### `([A-Za-z_][A-Za-z0-9_]*))");
  std::smatch match;
  while (std::getline(lines, line)) {
    if (line.rfind("## ", 0) == 0) section = line.substr(3);
    if (std::regex_search(line, match, member)) sections[section].insert(match[1]);
  }
  return sections;
}

// The members of each interface of a declaration file: the first name of
// every statement at the interface's top level.
std::map<std::string, Names> typedMembers(std::string source) {
  source = std::regex_replace(source, std::regex(R"(/\*[\s\S]*?\*/)"), " ");
  source = std::regex_replace(source, std::regex(R"(//[^\n]*)"), " ");
  std::map<std::string, Names> interfaces;
  const std::regex header(R"(interface\s+(\w+)[^{]*\{)");
  const std::regex firstName(R"(^\s*(?:readonly\s+)?([A-Za-z_]\w*))");
  for (std::sregex_iterator it(source.begin(), source.end(), header), end; it != end; ++it) {
    Names& names = interfaces[(*it)[1]];
    std::string statement;
    int depth = 0;
    for (auto at = source.begin() + it->position() + it->length(); at != source.end(); ++at) {
      const char c = *at;
      if (depth == 0 && (c == ';' || c == '}')) {
        std::smatch match;
        if (std::regex_search(statement, match, firstName)) names.insert(match[1]);
        statement.clear();
        if (c == '}') break;
        continue;
      }
      if (c == '(' || c == '{' || c == '[') ++depth;
      if (c == ')' || c == '}' || c == ']') --depth;
      statement += c;
    }
  }
  return interfaces;
}

Names unite(const Names& a, const Names& b) {
  Names all = a;
  all.insert(b.begin(), b.end());
  return all;
}

std::string without(const Names& names, const Names& removed) {
  std::string text;
  for (const std::string& name : names) {
    if (removed.count(name) == 0) text += (text.empty() ? "" : " ") + name;
  }
  return text;
}

char kMimeType[] = "application/x-norvellzephel32";

TEST(PageApiDocumentsTest, NameExactlyTheMembersOfTheRootObjectAndOfFileObjects) {
  FakeNpapiBrowser browser(26, "Mozilla/5.0 (X11; Linux x86_64) FakeNpapiBrowser/1.0",
                           "http://127.0.0.1/page.html");
  NPPluginFuncs plugin{};
  plugin.size = sizeof(plugin);
  ASSERT_EQ(nz_module_test::startModule(browser.funcs(), &plugin), NPERR_NO_ERROR);
  ASSERT_EQ(plugin.newp(kMimeType, browser.instance(), NP_EMBED, 0, nullptr, nullptr, nullptr),
            NPERR_NO_ERROR);
  NPObject* root = nullptr;
  ASSERT_EQ(plugin.getvalue(browser.instance(), NPPVpluginScriptableNPObject, &root), NPERR_NO_ERROR);
  ASSERT_NE(root, nullptr);
  std::vector<std::string> rootList;
  std::vector<std::string> fileList;
  ASSERT_TRUE(browser.enumerate(root, rootList));
  {
    NpValue file = browser.call(root, "fileFromPermanentHandle", {NpValue("L3RtcC9yZXBvcnQudHh0")});
    ASSERT_TRUE(file.isObject());
    ASSERT_TRUE(browser.enumerate(file.objectValue(), fileList));
  }
  browser.release(root);
  EXPECT_EQ(plugin.destroy(browser.instance(), nullptr), NPERR_NO_ERROR);
  EXPECT_EQ(nz_module_test::stopModule(), NPERR_NO_ERROR);

  std::map<std::string, Names> docs = documentedMembers(readFile("docs/page-api.md"));
  std::map<std::string, Names> typings = typedMembers(readFile("types/norvell-zephel.d.ts"));
  const Names& docsCommon = docs["Members of every object"];
  const Names& typedCommon = typings["NorvellZephelScriptable"];
  struct Case {
    const char* what;
    Names module;
    Names named;
  };
  const Case cases[] = {
      {"page-api.md, root object", Names(rootList.begin(), rootList.end()),
       unite(docsCommon, docs["The root object"])},
      {"page-api.md, file objects", Names(fileList.begin(), fileList.end()),
       unite(docsCommon, docs["File objects"])},
      {"typings, NorvellZephelRoot", Names(rootList.begin(), rootList.end()),
       unite(typedCommon, typings["NorvellZephelRoot"])},
      {"typings, NorvellZephelFile", Names(fileList.begin(), fileList.end()),
       unite(typedCommon, typings["NorvellZephelFile"])},
  };
  for (const Case& c : cases) {
    ASSERT_GT(c.module.size(), 10u) << c.what;
    const Names expected = unite(c.module, kActiveXOnly);
    EXPECT_EQ(without(expected, c.named), "") << c.what << ": members not named";
    EXPECT_EQ(without(c.named, expected), "") << c.what << ": names of no member";
  }
  // The typed example, which the TypeScript compiler checks, uses them all.
  const std::string example = readFile("examples/page_api.ts");
  Names unused;
  for (const std::string& name :
       unite(unite(Names(rootList.begin(), rootList.end()), Names(fileList.begin(), fileList.end())),
             kActiveXOnly)) {
    if (!std::regex_search(example, std::regex("\\." + name + "\\b"))) unused.insert(name);
  }
  EXPECT_EQ(without(unused, {}), "") << "members examples/page_api.ts does not use";
}

}  // namespace
