#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <string>
#include <vector>

#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "net/messages/VXType_user_info.h"
#include "framework/Paths.h"

namespace {

// The expected Thai edition, in the list form it was handed over in:
// `0 "Tolvan"; 1 "..."; ...` where "\n" and "\t" stand for a line break and a tab.
std::vector<std::string> ExpectedThai() {
  const char* src = getenv("TOLVAN_TEST_SOURCE_DIR");
  std::string text;
  if (!src || !ReadWholeFile(std::string(src) + "/tests/unit/app/thai_messages.txt", &text)) return {};
  // Items: <index> "<text>" separated by "; ", the list ending with ".".
  std::vector<std::string> entries;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t digits = pos;
    while (digits < text.size() && isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
    if (digits == pos || text.compare(digits, 2, " \"") != 0) return {};
    if (std::stoul(text.substr(pos, digits - pos)) != entries.size()) return {};
    std::string decoded;
    size_t i = digits + 2;
    for (; i < text.size() && text[i] != '"'; ++i) {
      if (text[i] == '\\' && i + 1 < text.size()) {
        const char e = text[++i];
        decoded += e == 'n' ? '\n' : e == 't' ? '\t' : e;
      } else {
        decoded += text[i];
      }
    }
    if (i >= text.size()) return {};
    entries.push_back(decoded);
    pos = i + 1;
    if (text.compare(pos, 2, "; ") == 0) {
      pos += 2;
    } else {
      break;  // the closing "."
    }
  }
  return entries;
}

class LanguageMessagesTest : public ::testing::Test {
 protected:
  void TearDown() override { InitLanguageMessages(kLanguageEditionThai); }
};

TEST_F(LanguageMessagesTest, EveryThaiEntryMatchesTheListByIndex) {
  const std::vector<std::string> expected = ExpectedThai();
  ASSERT_EQ(expected.size(), 238u) << "thai_messages.txt not found or not in list form";
  InitLanguageMessages(kLanguageEditionThai);
  for (int i = 0; i < 238; ++i) EXPECT_EQ(LangMessage(i), expected[i]) << "entry " << i;
  for (int i = 238; i < kLanguageMessageCount; ++i) {
    ASSERT_NE(LangMessage(i), nullptr);
    EXPECT_STREQ(LangMessage(i), "") << "entry " << i;
  }
  EXPECT_STREQ(LangMessage(-1), "");
  EXPECT_STREQ(LangMessage(300), "");
}

TEST_F(LanguageMessagesTest, TheLongestThaiEntryFitsItsBuffer) {
  InitLanguageMessages(kLanguageEditionThai);
  size_t longest = 0;
  for (int i = 0; i < kLanguageMessageCount; ++i) longest = std::max(longest, std::string(LangMessage(i)).size());
  EXPECT_EQ(longest, 283u);
  EXPECT_LT(longest, static_cast<size_t>(kLanguageMessageBytes));
}

TEST_F(LanguageMessagesTest, KoreanEditionHasItsOwnRowsAndShowsThaiElsewhere) {
  InitLanguageMessages(kLanguageEditionThai);
  const std::string thai_8 = LangMessage(8);
  InitLanguageMessages(kLanguageEditionKorean);
  struct Case {
    int index;
    const char* text;
  } cases[] = {
      {0, "Tol-van"},
      {2, "확인"},
      {23, "동일 유저의 로그인이 감지되어.\n연결이 해제 되었습니다"},
      {120, "%s님이 %s칩을 선물했습니다"},
      {138, "토너먼트에 탈락되었습니다.\n최종 등수 : %d등"},
      {217, "서버와 연결이 해제되었습니다"},
  };
  for (const auto& c : cases) EXPECT_STREQ(LangMessage(c.index), c.text) << "entry " << c.index;
  EXPECT_EQ(LangMessage(8), thai_8);
  EXPECT_STREQ(LangMessage(250), "");
}

TEST_F(LanguageMessagesTest, AnUnknownEditionLeavesTheTextsEmptyButKeepsTheSymbols) {
  InitLanguageMessages(5);
  EXPECT_STREQ(LangMessage(0), "");
  EXPECT_STREQ(LangMessage(217), "");
  EXPECT_STREQ(LangArrow(11), "→");
}

TEST_F(LanguageMessagesTest, ArrowAndSuitSymbols) {
  InitLanguageMessages(kLanguageEditionThai);
  const char* arrows[] = {"△", "▽", "◁", "▷", "▲", "▼", "◀", "▶", "↑", "↓", "←", "→"};
  const char* suits[] = {"♣", "◇", "♡", "♠", "-"};
  for (int i = 0; i < kArrowSymbolCount; ++i) EXPECT_STREQ(LangArrow(i), arrows[i]) << i;
  for (int i = 0; i < kSuitSymbolCount; ++i) EXPECT_STREQ(LangSuit(i), suits[i]) << i;
  EXPECT_STREQ(LangArrow(12), "");
  EXPECT_STREQ(LangSuit(-1), "");
}

TEST_F(LanguageMessagesTest, EditionFollowsTheFirstSetLocaleVariable) {
  struct Saved {
    const char* name;
    std::string value;
    bool set;
  } saved[] = {{"LC_ALL", "", false}, {"LC_MESSAGES", "", false}, {"LANG", "", false}};
  for (auto& s : saved) {
    if (const char* v = getenv(s.name)) s.value = v, s.set = true;
  }
  struct Case {
    const char* lc_all;
    const char* lc_messages;
    const char* lang;
    int edition;
  } cases[] = {
      {nullptr, nullptr, nullptr, kLanguageEditionThai},
      {nullptr, nullptr, "en_US.UTF-8", kLanguageEditionThai},
      {nullptr, nullptr, "ko_KR.UTF-8", kLanguageEditionKorean},
      {nullptr, "ko_KR.UTF-8", "th_TH.UTF-8", kLanguageEditionKorean},
      {"th_TH.UTF-8", "ko_KR.UTF-8", "ko_KR.UTF-8", kLanguageEditionThai},
      {"", "", "ko", kLanguageEditionKorean},
      {"C", nullptr, "ko_KR.UTF-8", kLanguageEditionThai},
  };
  for (const auto& c : cases) {
    auto put = [](const char* name, const char* v) { v ? setenv(name, v, 1) : unsetenv(name); };
    put("LC_ALL", c.lc_all);
    put("LC_MESSAGES", c.lc_messages);
    put("LANG", c.lang);
    EXPECT_EQ(ChooseLanguageEdition(), c.edition)
        << (c.lc_all ? c.lc_all : "-") << " " << (c.lc_messages ? c.lc_messages : "-") << " " << (c.lang ? c.lang : "-");
  }
  for (auto& s : saved) s.set ? setenv(s.name, s.value.c_str(), 1) : unsetenv(s.name);
}

}  // namespace

// Texts kept outside the message table follow the account's language index the same
// way: 0 is Korean, 1 (and anything else) Thai, and Thai before any account exists.
TEST(EditionTextTest, FollowsTheAccountsLanguageIndex) {
  constexpr EditionText text = {"ไทย", "한국어"};
  GameSharedData::DestroyInstance();
  EXPECT_STREQ(EditionOf(text), "ไทย");
  GameSharedData* d = GameSharedData::Instance();
  struct Case {
    int32_t index;
    const char* expected;
  } cases[] = {{0, "한국어"}, {1, "ไทย"}, {7, "ไทย"}, {-1, "ไทย"}};
  for (const Case& c : cases) {
    d->SetUser32(kUserLanguage, c.index);
    EXPECT_STREQ(EditionOf(text), c.expected) << "index " << c.index;
  }
  GameSharedData::DestroyInstance();
}
