#pragma once

// The compiled-in message tables (UTF-8), read by InitLanguageMessages.
constexpr int kLanguageTableSize = 300;
constexpr int kThaiMessageCount = 238;  // entries 0 to 237 are non-empty
constexpr int kKoreanMessageCount = 22;

struct KoreanMessage {
  int index;
  const char* text;
};

extern const char* const kThaiMessages[kLanguageTableSize];
extern const KoreanMessage kKoreanMessages[kKoreanMessageCount];
