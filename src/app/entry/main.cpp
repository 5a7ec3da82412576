// The program's entry.
#include "app/entry/ClientMain.h"

int main(int, char**) { return RunClient(ClientEntryOptions{}); }
