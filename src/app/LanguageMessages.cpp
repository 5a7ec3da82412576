#include "app/LanguageMessages.h"

// The tables are filled in with the message-table work; until then every text is empty.
void InitLanguageMessages(int) {}
const char* LangMessage(int) { return ""; }
