// Where the program finds its data: next to it (the build folder) or in the prefix it
// is installed in.
#include <gtest/gtest.h>

#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "framework/Paths.h"

namespace {

int RemoveOne(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

class FindResourceDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tolvan_paths_test_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
  }
  void TearDown() override { nftw(root.c_str(), &RemoveOne, 16, FTW_DEPTH | FTW_PHYS); }
  void Make(const std::string& rel) { ASSERT_TRUE(EnsureDir(root + "/" + rel)); }
  std::string root;
};

TEST_F(FindResourceDirTest, NextToTheProgramThenTheInstalledPrefixThenTheProgramFolder) {
  EXPECT_STREQ(kInstalledDataFromBin, "../share/tolvan");
  // An installed prefix: bin/ holds the program, share/tolvan/ the data.
  Make("prefix/bin");
  EXPECT_EQ(FindResourceDir(root + "/prefix/bin"), root + "/prefix/bin") << "nothing anywhere";
  Make("prefix/share/tolvan/raw");
  EXPECT_EQ(FindResourceDir(root + "/prefix/bin"), root + "/prefix/share/tolvan")
      << "the prefix's data, named without the ..";
  // Data next to the program wins (the build folder, or a copy with raw/ beside it).
  Make("prefix/bin/raw");
  EXPECT_EQ(FindResourceDir(root + "/prefix/bin"), root + "/prefix/bin");
  // A share/tolvan without raw/ is not taken for the data.
  Make("other/bin");
  Make("other/share/tolvan/snd");
  EXPECT_EQ(FindResourceDir(root + "/other/bin"), root + "/other/bin");
}

}  // namespace
