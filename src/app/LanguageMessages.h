#pragma once

constexpr int kLanguageMessageCount = 300;
constexpr int kLanguageMessageBytes = 765;
constexpr int kLanguageEditionKorean = 0;
constexpr int kLanguageEditionThai = 1;
constexpr int kLanguageEditionCount = 2;
constexpr int kArrowSymbolCount = 12;
constexpr int kSuitSymbolCount = 5;

// Converts the chosen edition (0 Korean, 1 Thai) into the runtime UTF-8 texts, plus the
// arrow and suit symbols. Any other edition leaves the 300 texts empty.
void InitLanguageMessages(int edition);
// Runtime text N (UTF-8, never null; empty for unused or out-of-range entries).
const char* LangMessage(int index);
// Arrow symbols 0 to 11: "△", "▽", "◁", "▷", "▲", "▼", "◀", "▶", "↑", "↓", "←", "→".
const char* LangArrow(int index);
// Suit symbols 0 to 4: "♣", "◇", "♡", "♠", "-".
const char* LangSuit(int index);

// The edition for the user's locale: Korean when the first set of LC_ALL, LC_MESSAGES
// and LANG starts with "ko", otherwise Thai.
int ChooseLanguageEdition();

// A text the message table has no entry for, in the two editions.
struct EditionText {
  const char* thai;
  const char* korean;
};
// The edition of `t` for the account's language index (0 Korean, anything else Thai;
// Thai before the shared data exists).
const char* EditionOf(const EditionText& t);
