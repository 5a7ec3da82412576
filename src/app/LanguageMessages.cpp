#include "app/LanguageMessages.h"

#include "app/GameSharedData.h"
#include "net/messages/VXType_user_info.h"

#include <cstdlib>
#include <cstring>

#include "app/LanguageMessagesTable.h"
#include "framework/Log.h"

static_assert(kLanguageTableSize == kLanguageMessageCount, "one runtime text per table entry");

namespace {
constexpr int kArrowBytes = 5;
constexpr int kSuitBytes = 8;

const char* const kArrowSymbols[kArrowSymbolCount] = {"△", "▽", "◁", "▷", "▲", "▼",
                                                      "◀", "▶", "↑", "↓", "←", "→"};
const char* const kSuitSymbols[kSuitSymbolCount] = {"♣", "◇", "♡", "♠", "-"};

char g_texts[kLanguageMessageCount][kLanguageMessageBytes];
char g_arrows[kArrowSymbolCount][kArrowBytes];
char g_suits[kSuitSymbolCount][kSuitBytes];

// Zeroes the buffer and copies the text, cut on a character boundary so that the
// buffer always ends with a zero byte and never holds half a character.
void CopyText(char* buffer, size_t size, const char* text) {
  std::memset(buffer, 0, size);
  if (!text) return;
  size_t n = std::strlen(text);
  if (n > size - 1) {
    n = size - 1;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(buffer, text, n);
}
}  // namespace

void InitLanguageMessages(int edition) {
  Log(LOG_TRACE, "_Init_LanguageMessage_ ... Start (%d:%d)", edition, kLanguageEditionCount);
  for (int i = 0; i < kArrowSymbolCount; ++i) CopyText(g_arrows[i], kArrowBytes, kArrowSymbols[i]);
  for (int i = 0; i < kSuitSymbolCount; ++i) CopyText(g_suits[i], kSuitBytes, kSuitSymbols[i]);
  for (int i = 0; i < kLanguageMessageCount; ++i) {
    const char* text = nullptr;
    if (edition == kLanguageEditionKorean || edition == kLanguageEditionThai) text = kThaiMessages[i];
    CopyText(g_texts[i], kLanguageMessageBytes, text);
  }
  if (edition == kLanguageEditionKorean) {
    for (const KoreanMessage& m : kKoreanMessages) {
      if (m.index >= 0 && m.index < kLanguageMessageCount) CopyText(g_texts[m.index], kLanguageMessageBytes, m.text);
    }
  }
  Log(LOG_TRACE, "_Init_LanguageMessage_ ... End");
}

const char* LangMessage(int index) {
  if (index < 0 || index >= kLanguageMessageCount) return "";
  return g_texts[index];
}

const char* LangArrow(int index) {
  if (index < 0 || index >= kArrowSymbolCount) return "";
  return g_arrows[index];
}

const char* LangSuit(int index) {
  if (index < 0 || index >= kSuitSymbolCount) return "";
  return g_suits[index];
}

int ChooseLanguageEdition() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(name);
    if (v && *v) return std::strncmp(v, "ko", 2) == 0 ? kLanguageEditionKorean : kLanguageEditionThai;
  }
  return kLanguageEditionThai;
}

const char* EditionOf(const EditionText& t) {
  const GameSharedData* d = GameSharedData::InstanceIfAny();
  return d && d->GetUser32(kUserLanguage) == kLanguageEditionKorean ? t.korean : t.thai;
}
