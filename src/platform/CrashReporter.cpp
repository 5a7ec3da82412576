#include "platform/CrashReporter.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <signal.h>
#include <ucontext.h>
#include <unistd.h>
#include <unwind.h>

#include <cstdint>
#include <cstring>

#include "framework/Log.h"

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kMaxFrames = 64;
alignas(16) char g_alt_stack[64 * 1024];

// A fixed-size line built without allocation (the handler may not allocate).
struct Line {
  char buf[768];
  size_t n = 0;
  Line& Str(const char* s) {
    while (s && *s && n + 1 < sizeof(buf)) buf[n++] = *s++;
    buf[n] = 0;
    return *this;
  }
  // Upper-case hexadecimal, at least `width` digits.
  Line& Hex(uint64_t v, int width) {
    char tmp[17];
    int k = 0;
    do {
      tmp[k++] = "0123456789ABCDEF"[v & 15];
      v >>= 4;
    } while (v && k < 16);
    while (k < width && k < 16) tmp[k++] = '0';
    while (k > 0 && n + 1 < sizeof(buf)) buf[n++] = tmp[--k];
    buf[n] = 0;
    return *this;
  }
};

uintptr_t FaultPc(void* uctx) {
  const ucontext_t* uc = static_cast<const ucontext_t*>(uctx);
  if (!uc) return 0;
#if defined(__x86_64__)
  return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
  return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_EIP]);
#elif defined(__aarch64__)
  return static_cast<uintptr_t>(uc->uc_mcontext.pc);
#else
  return 0;
#endif
}

// The module holding `addr`, the 1-based number of its loadable segment containing the
// address and the offset within that segment. False when no module holds it.
struct ModuleSpot {
  const char* path;
  unsigned segment;
  uintptr_t offset;
};

bool FindModule(uintptr_t addr, ModuleSpot* out) {
  Dl_info info{};
  if (addr == 0 || !dladdr(reinterpret_cast<void*>(addr), &info) || !info.dli_fbase) return false;
  out->path = info.dli_fname ? info.dli_fname : "?";
  out->segment = 0;
  out->offset = addr - reinterpret_cast<uintptr_t>(info.dli_fbase);
  // The ELF header is mapped at the module's base address.
  const auto* eh = static_cast<const ElfW(Ehdr)*>(info.dli_fbase);
  if (std::memcmp(eh->e_ident, ELFMAG, SELFMAG) != 0) return true;
  const auto* ph = reinterpret_cast<const ElfW(Phdr)*>(static_cast<const char*>(info.dli_fbase) + eh->e_phoff);
  uintptr_t first_vaddr = 0;
  bool have_first = false;
  unsigned number = 0;
  const uintptr_t rel = out->offset;
  for (int i = 0; i < eh->e_phnum; ++i) {
    if (ph[i].p_type != PT_LOAD) continue;
    ++number;
    if (!have_first) {
      first_vaddr = ph[i].p_vaddr & ~static_cast<uintptr_t>(ph[i].p_align ? ph[i].p_align - 1 : 0);
      have_first = true;
    }
    const uintptr_t start = ph[i].p_vaddr - first_vaddr;
    const uintptr_t size = ph[i].p_filesz > ph[i].p_memsz ? ph[i].p_filesz : ph[i].p_memsz;
    if (rel >= start && rel <= start + size) {
      out->segment = number;
      out->offset = rel - start;
      return true;
    }
  }
  return true;
}

struct Frame {
  uintptr_t ip;
  uintptr_t cfa;
};
struct FrameList {
  Frame frames[kMaxFrames];
  int count = 0;
};

_Unwind_Reason_Code CollectFrame(struct _Unwind_Context* ctx, void* arg) {
  FrameList* list = static_cast<FrameList*>(arg);
  if (list->count >= kMaxFrames) return _URC_END_OF_STACK;
  int before = 0;
  list->frames[list->count].ip = _Unwind_GetIPInfo(ctx, &before);
  list->frames[list->count].cfa = _Unwind_GetCFA(ctx);
  ++list->count;
  return _URC_NO_REASON;
}

void Report(int signo, siginfo_t* info, void* uctx) {
  if (!info) _exit(0);
  const uintptr_t pc = FaultPc(uctx);
  Line head;
  head.Str("[ ***ERROR*** ] Unknown Exception : Exception='")
      .Str(CrashReporter::ExceptionName(signo, info->si_code))
      .Str("' , Address='0x")
      .Hex(pc, 16)
      .Str("'");
  LogFromSignal(head.buf);

  ModuleSpot spot{};
  if (!FindModule(pc, &spot)) {
    // No module: let the system's default action for the signal follow.
    signal(signo, SIG_DFL);
    raise(signo);
    return;
  }
  Line where;
  where.Str("===== Fault Address : ").Hex(pc, 8).Str(" ").Hex(spot.segment, 2).Str(":").Hex(spot.offset, 8)
      .Str(" ").Str(spot.path);
  LogFromSignal(where.buf);

  static FrameList list;
  list.count = 0;
  _Unwind_Backtrace(CollectFrame, &list);
  // Skip the reporter's own frames: start at the faulting instruction when it is found.
  int first = 0;
  for (int i = 0; i < list.count; ++i) {
    if (list.frames[i].ip == pc) {
      first = i;
      break;
    }
  }
  for (int i = first; i < list.count; ++i) {
    if (list.frames[i].ip == 0) break;  // the outermost frame
    ModuleSpot fs{};
    if (!FindModule(list.frames[i].ip, &fs)) fs = ModuleSpot{"?", 0, 0};
    Line l;
    l.Str("[").Hex(list.frames[i].ip, 8).Str(" ").Hex(list.frames[i].cfa, 8).Str(" ").Hex(fs.segment, 4)
        .Str(":").Hex(fs.offset, 8).Str(" ").Str(fs.path).Str("]");
    LogFromSignal(l.buf);
  }
  LogFromSignal("[ ***ERROR*** ] Close application.");
  _exit(128 + signo);
}

void Handler(int signo, siginfo_t* info, void* uctx) { Report(signo, info, uctx); }

}  // namespace

const char* CrashReporter::ExceptionName(int signo, int code) {
  switch (signo) {
    case SIGSEGV:
      return "EXCEPTION_ACCESS_VIOLATION";
    case SIGBUS:
      return code == BUS_ADRALN ? "EXCEPTION_DATATYPE_MISALIGNMENT" : "EXCEPTION_IN_PAGE_ERROR";
    case SIGFPE:
      switch (code) {
        case FPE_INTDIV: return "EXCEPTION_INT_DIVIDE_BY_ZERO";
        case FPE_INTOVF: return "EXCEPTION_INT_OVERFLOW";
        case FPE_FLTDIV: return "EXCEPTION_FLT_DIVIDE_BY_ZERO";
        case FPE_FLTOVF: return "EXCEPTION_FLT_OVERFLOW";
        case FPE_FLTUND: return "EXCEPTION_FLT_UNDERFLOW";
        case FPE_FLTRES: return "EXCEPTION_FLT_INEXACT_RESULT";
        case FPE_FLTINV: return "EXCEPTION_FLT_INVALID_OPERATION";
        case FPE_FLTSUB: return "EXCEPTION_ARRAY_BOUNDS_EXCEEDED";
        default: return "EXCEPTION_FLT_INVALID_OPERATION";
      }
    case SIGILL:
      return (code == ILL_PRVOPC || code == ILL_PRVREG) ? "EXCEPTION_PRIV_INSTRUCTION"
                                                          : "EXCEPTION_ILLEGAL_INSTRUCTION";
    case SIGTRAP:
      return code == TRAP_TRACE ? "EXCEPTION_SINGLE_STEP" : "EXCEPTION_BREAKPOINT";
    default:
      return "EXCEPTION_UNDEFINED";
  }
}

bool CrashReporter::Install() {
  stack_t ss{};
  ss.ss_sp = g_alt_stack;
  ss.ss_size = sizeof(g_alt_stack);
  if (sigaltstack(&ss, nullptr) != 0) return false;
  // Load the unwinder and the symbol lookup now, not for the first time inside a crash.
  static FrameList warm;
  _Unwind_Backtrace(CollectFrame, &warm);
  Dl_info info;
  dladdr(reinterpret_cast<void*>(&CrashReporter::Install), &info);

  struct sigaction sa {};
  sa.sa_sigaction = Handler;
  sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&sa.sa_mask);
  bool ok = true;
  for (int s : kSignals) ok = sigaction(s, &sa, nullptr) == 0 && ok;
  return ok;
}
