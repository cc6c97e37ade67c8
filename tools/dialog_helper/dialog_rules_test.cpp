// nz_dialog_helper's rules against real files in a private folder.
#include "tools/dialog_helper/dialog_rules.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using nz::dialog::Kind;
using nz::dialog::Refusal;
using nz::dialog::Size;

TEST(DialogRules, ConfirmedPathsMustExistAsTheKindPromises) {
  std::string pattern = (fs::temp_directory_path() / "nz_dialog_rules_XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  fs::path folder = pattern;
  std::ofstream(folder / "file.txt") << "x";
  fs::create_directory(folder / "sub");
  fs::create_symlink(folder / "file.txt", folder / "link");
  fs::create_symlink(folder / "gone", folder / "dangling");
  std::ofstream(folder / "plain") << "x";

  struct Case {
    Kind kind;
    std::string name;
    Refusal refusal;
  };
  for (const Case& c : {
           Case{Kind::Open, "file.txt", Refusal::None},
           Case{Kind::Open, "link", Refusal::None},
           Case{Kind::Open, "missing.txt", Refusal::FileNotFound},
           Case{Kind::Open, "dangling", Refusal::FileNotFound},
           Case{Kind::Open, "sub", Refusal::FileNotFound},
           Case{Kind::Open, "nowhere/file.txt", Refusal::PathNotFound},
           Case{Kind::Open, "plain/file.txt", Refusal::PathNotFound},  // a file is no folder
           Case{Kind::Save, "new.txt", Refusal::None},
           Case{Kind::Save, "file.txt", Refusal::None},  // overwriting is asked about elsewhere
           Case{Kind::Save, "nowhere/new.txt", Refusal::PathNotFound},
           Case{Kind::Folder, "nowhere", Refusal::None},
       }) {
    EXPECT_EQ(nz::dialog::refusalFor(c.kind, (folder / c.name).string()), c.refusal) << c.name;
  }
  EXPECT_EQ(nz::dialog::refusalFor(Kind::Save, "/new-at-the-root"), Refusal::None);
  fs::remove_all(folder);

  EXPECT_EQ(nz::dialog::refusalMessage(Refusal::FileNotFound, "a.txt"),
            "a.txt\nFile not found.\nCheck the file name and try again.");
  EXPECT_EQ(nz::dialog::refusalMessage(Refusal::None, "a.txt"), "");
}

TEST(DialogRules, TheDialogFitsNinetyPercentOfTheWorkArea) {
  struct Case {
    Size wanted, area, fitted;
  };
  for (const Case& c : {
           Case{{1096, 822}, {1024, 768}, {921, 691}},    // too big both ways
           Case{{1096, 822}, {1920, 1080}, {1096, 822}},  // fits already
           Case{{600, 900}, {1920, 1000}, {600, 900}},    // exactly the limit
           Case{{600, 901}, {1920, 1000}, {600, 900}},
           Case{{800, 600}, {0, 0}, {800, 600}},          // work area unknown
           Case{{0, -5}, {1024, 768}, {1, 1}},
       }) {
    Size fitted = nz::dialog::fitToWorkArea(c.wanted, c.area);
    EXPECT_EQ(fitted.width, c.fitted.width) << c.wanted.width << "x" << c.wanted.height;
    EXPECT_EQ(fitted.height, c.fitted.height) << c.wanted.width << "x" << c.wanted.height;
  }
}

}  // namespace
