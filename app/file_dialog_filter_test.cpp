// Building dialog filter lists and the save dialog's added extension.
#include "app/file_dialog_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Norvell::buildFilterList;
using Norvell::nulSeparatedFilter;
using Norvell::withSaveExtension;
using namespace std::string_literals;

TEST(DialogFilterList, AlternatesDescriptionsAndPrefixedExtensions) {
  auto list = buildFilterList(L"Images|png|All|*");
  EXPECT_EQ(list.text, L"Images|*.png|All|*.*");
  EXPECT_EQ(list.extensions, (std::vector<std::wstring>{L"png", L"*"}));

  list = buildFilterList(L"Text files|txt|Images|png");
  EXPECT_EQ(nulSeparatedFilter(list), L"Text files\0*.txt\0Images\0*.png\0\0"s);
  EXPECT_EQ(list.extensions, (std::vector<std::wstring>{L"txt", L"png"}));
}

TEST(DialogFilterList, OddCountsEmptyPiecesAndUntrimmedText) {
  auto list = buildFilterList(L"");
  EXPECT_EQ(list.text, L"");
  EXPECT_TRUE(list.extensions.empty());
  EXPECT_EQ(nulSeparatedFilter(list), L"\0\0"s);

  list = buildFilterList(L"Documents");  // ends with a description
  EXPECT_EQ(list.text, L"Documents");
  EXPECT_TRUE(list.extensions.empty());

  list = buildFilterList(L"Text|txt|Images");
  EXPECT_EQ(nulSeparatedFilter(list), L"Text\0*.txt\0Images\0\0"s);
  EXPECT_EQ(list.extensions, (std::vector<std::wstring>{L"txt"}));

  list = buildFilterList(L"Text|");  // an empty extension piece still counts
  EXPECT_EQ(list.text, L"Text|*.");
  EXPECT_EQ(list.extensions, (std::vector<std::wstring>{L""}));

  list = buildFilterList(L" Data | txt;*.csv|||");
  EXPECT_EQ(list.text, L" Data |*. txt;*.csv||*.|");
  EXPECT_EQ(list.extensions, (std::vector<std::wstring>{L" txt;*.csv", L""}));
}

TEST(SaveExtension, AppendsTheChosenFiltersExtensionUnlessThePathHasIt) {
  const std::vector<std::wstring> extensions{L"txt", L"png"};
  EXPECT_EQ(withSaveExtension(L"/home/u/report", extensions, 1), L"/home/u/report.txt");
  EXPECT_EQ(withSaveExtension(L"/home/u/report", extensions, 2), L"/home/u/report.png");
  EXPECT_EQ(withSaveExtension(L"/home/u/report.txt", extensions, 1), L"/home/u/report.txt");
  EXPECT_EQ(withSaveExtension(L"/home/u/report.TXT", extensions, 1), L"/home/u/report.TXT.txt");
  // Anywhere in the path counts, not only at the end.
  EXPECT_EQ(withSaveExtension(L"C:/notes.txt.old/report", extensions, 1), L"C:/notes.txt.old/report");
  EXPECT_EQ(withSaveExtension(L"C:/notes.txt.old/report", extensions, 2), L"C:/notes.txt.old/report.png");
}

TEST(SaveExtension, NothingForIndicesWithoutExtensionOrWildcardPatterns) {
  const std::vector<std::wstring> extensions{L"txt", L"*", L"t?t", L"b*k", L""};
  EXPECT_EQ(withSaveExtension(L"data", extensions, 0), L"data");
  EXPECT_EQ(withSaveExtension(L"data", extensions, -1), L"data");
  EXPECT_EQ(withSaveExtension(L"data", extensions, 6), L"data");
  EXPECT_EQ(withSaveExtension(L"data", {}, 1), L"data");
  EXPECT_EQ(withSaveExtension(L"data", extensions, 2), L"data");  // all files: no "data.*"
  EXPECT_EQ(withSaveExtension(L"data", extensions, 3), L"data");
  EXPECT_EQ(withSaveExtension(L"data", extensions, 4), L"data");
  EXPECT_EQ(withSaveExtension(L"data", extensions, 5), L"data.");  // an empty piece means "."
  EXPECT_EQ(withSaveExtension(L"data.bin", extensions, 5), L"data.bin");
}

}  // namespace
