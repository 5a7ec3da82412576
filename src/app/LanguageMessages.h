#pragma once

constexpr int kLanguageMessageCount = 300;
constexpr int kLanguageMessageBytes = 765;

// Converts the chosen edition (0 Korean, 1 Thai) into the runtime UTF-8 texts.
void InitLanguageMessages(int edition);
// Runtime text N (UTF-8, never null; empty for unused or out-of-range entries).
const char* LangMessage(int index);
