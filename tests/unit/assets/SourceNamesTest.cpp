// Every picture and sound name the client's code opens must be in the kit's manifest, so
// that an asset added to the code cannot be forgotten by the kit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "KitManifest.h"

namespace fs = std::filesystem;

namespace {

// String literals naming kit files: "./raw/..." and "./snd/..." paths, and bare image
// names such as "btn_close_b.png" or "item/emoticon01.png" (shared images under ./raw/).
std::set<std::string> AssetLiterals(const std::string& code) {
  std::set<std::string> out;
  static const std::regex path_literal(R"re("(\./(?:raw|snd)/[^"\\]*)")re");
  static const std::regex bare_literal(R"re("([A-Za-z0-9_]+(?:/[A-Za-z0-9_]+)?\.(?:png|jpg))")re");
  for (const std::regex* re : {&path_literal, &bare_literal})
    for (auto it = std::sregex_iterator(code.begin(), code.end(), *re); it != std::sregex_iterator(); ++it)
      out.insert((*it)[1]);
  return out;
}

TEST(KitSourceNames, MatcherAcceptsWhatTheManifestHoldsAndRejectsTheRest) {
  const std::vector<kit::Entry> manifest = {
      kit::MakeEntry("raw/card.png", "image"),           kit::MakeEntry("raw/item/character_01.png", "image"),
      kit::MakeEntry("raw/shoot/shoot_ball.png", "image"), kit::MakeEntry("snd/snd_button.mp3", "sound"),
      kit::MakeEntry("raw/item/emoticon01.png", "image"),
  };
  struct Case {
    const char* literal;
    bool covered;
  } cases[] = {
      {"./raw/card.png", true},
      {"./raw/cards.png", false},
      {"./raw/item/character_%02d.png", true},
      {"./raw/item/attack_%02d.png", false},
      {"./raw/item/character_%d.png", true},
      {"./raw/shoot/", true},
      {"./raw/lobby/", false},
      {"./snd/snd_button.mp3", true},
      {"./snd/snd_click.mp3", false},
      {"item/emoticon01.png", true},
      {"btn_close_b.png", false},
      {"./raw/card.png.bak", false},
  };
  for (const auto& c : cases) EXPECT_EQ(kit::ManifestCovers(manifest, c.literal), c.covered) << c.literal;
}

TEST(KitSourceNames, LiteralFinderSeesPathsAndBareImageNames) {
  const std::string code = R"(
    tex->Create("./raw/btn_close_b.png", pkg, 3, 1);
    Play("./snd/snd_button.mp3");
    const char* kShared[] = {"loading_bg.png", "item/emoticon01.png"};
    Format("%s/%s.png", dir, name);  // a cache path, not a kit name
    Format("./raw/item/character_%02d.png", i + 1);
  )";
  EXPECT_EQ(AssetLiterals(code),
            (std::set<std::string>{"./raw/btn_close_b.png", "./snd/snd_button.mp3", "loading_bg.png",
                                   "item/emoticon01.png", "./raw/item/character_%02d.png"}));
}

TEST(KitSourceNames, EveryAssetNamedInTheClientSourcesIsInTheManifest) {
  const std::string src = kit::SourceDir() + "/src";
  ASSERT_TRUE(fs::is_directory(src)) << "TOLVAN_TEST_SOURCE_DIR must point at the repository";
  const auto manifest = kit::LoadManifest();
  ASSERT_FALSE(manifest.empty());
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const auto ext = entry.path().extension();
    if (ext != ".cpp" && ext != ".h" && ext != ".cc" && ext != ".hpp") continue;
    ++files;
    std::ifstream in(entry.path());
    std::stringstream ss;
    ss << in.rdbuf();
    for (const auto& literal : AssetLiterals(ss.str()))
      EXPECT_TRUE(kit::ManifestCovers(manifest, literal))
          << literal << " (in " << fs::relative(entry.path(), src).string()
          << ") is not in assets/manifest.tsv: add it there with its size and grid";
  }
  EXPECT_GT(files, 0);
}

}  // namespace
