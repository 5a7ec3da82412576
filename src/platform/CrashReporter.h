#pragma once

// The last-chance crash reporter: on SIGSEGV, SIGBUS, SIGFPE, SIGILL or SIGABRT it
// writes the report to the log (the fault's name and address, the module and segment
// holding the address, one line per stack frame, then "Close application.") and ends
// the process with status 128 + signal number. It runs on its own stack so a stack
// overflow can still be reported.
class CrashReporter {
 public:
  // Installs the handlers; false when the system refused them.
  static bool Install();
  // The report's name for a signal and its si_code ("EXCEPTION_ACCESS_VIOLATION", ...).
  static const char* ExceptionName(int signo, int code);
};
