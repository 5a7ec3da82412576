#include "framework/StringUtil.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <random>

std::string FormatString(const char* fmt, ...) {
  char buf[1024];
  std::memset(buf, 0, sizeof(buf));
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof(buf), fmt, ap);
  va_end(ap);
  return std::string(buf);
}

std::string FormatNumber(int64_t v) {
  bool neg = v < 0;
  uint64_t u = neg ? uint64_t(0) - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  char digits[32];
  int n = std::snprintf(digits, sizeof(digits), "%llu", static_cast<unsigned long long>(u));
  std::string out;
  out.reserve(n + n / 3 + 2);
  if (neg) out.push_back('-');
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

std::string FormatAmountShort(int64_t v) {
  if (v < 100000) return FormatNumber(v);
  if (v <= 999999) {
    std::string whole = FormatNumber(v / 1000);
    int dec = static_cast<int>((v % 1000) / 100);
    if (dec == 0) return FormatString("%s%s", whole.c_str(), "K");
    return FormatString("%s.%d%s", whole.c_str(), dec, "K");
  }
  std::string whole = FormatNumber(v / 1000000);
  int dec = static_cast<int>((v % 1000000) / 100000);
  if (dec == 0) return FormatString("%s%s", whole.c_str(), "M");
  return FormatString("%s.%d%s", whole.c_str(), dec, "M");
}

int Utf8SequenceLength(const unsigned char* s, size_t avail) {
  if (avail == 0) return 0;
  unsigned char c = s[0];
  if (c < 0x80) return 1;
  int len;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (avail < static_cast<size_t>(len)) return 0;
  if (s[1] < lo || s[1] > hi) return 0;
  for (int i = 2; i < len; ++i)
    if (s[i] < 0x80 || s[i] > 0xBF) return 0;
  return len;
}

uint32_t DecodeUtf8(const unsigned char* s, int len) {
  switch (len) {
    case 1: return s[0];
    case 2: return ((s[0] & 0x1Fu) << 6) | (s[1] & 0x3Fu);
    case 3: return ((s[0] & 0x0Fu) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu);
    default:
      return ((s[0] & 0x07u) << 18) | ((s[1] & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) |
             (s[3] & 0x3Fu);
  }
}

size_t Utf8Length(const char* s) {
  if (!s) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  size_t avail = std::strlen(s), count = 0;
  while (avail > 0) {
    int len = Utf8SequenceLength(p, avail);
    if (len == 0) return 0;
    p += len;
    avail -= len;
    ++count;
  }
  return count;
}

std::wstring Utf8ToWide(const std::string& s) {
  std::wstring out;
  out.reserve(s.size());
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  size_t avail = s.size();
  while (avail > 0) {
    int len = Utf8SequenceLength(p, avail);
    if (len == 0) {  // invalid byte: replacement character, skip one byte
      out.push_back(L'\uFFFD');
      ++p;
      --avail;
      continue;
    }
    out.push_back(static_cast<wchar_t>(DecodeUtf8(p, len)));
    p += len;
    avail -= len;
  }
  return out;
}

std::wstring AnsiToWide(const std::string& s) { return Utf8ToWide(s); }

std::string WideToUtf8(const std::wstring& w) {
  std::string out;
  out.reserve(w.size() * 3);
  for (wchar_t wc : w) {
    uint32_t c = static_cast<uint32_t>(wc);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string WideToAnsi(const std::wstring& w) { return WideToUtf8(w); }

int Utf8ToAnsi(const char* s, char* out, size_t out_size) {
  if (!s || !out || out_size == 0) return 0;
  std::wstring w = Utf8ToWide(s);
  if (w.size() + 1 >= 766) return 0;
  std::string a = WideToAnsi(w);
  if (a.size() + 1 > out_size) return 0;
  std::memcpy(out, a.c_str(), a.size() + 1);
  return static_cast<int>(w.size() + 1);
}

size_t Utf8ToUtf16Buffer(const char* s, char16_t* out, size_t capacity) {
  if (!s || !*s || !out) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  size_t avail = std::strlen(s), n = 0, chars = 0;
  while (avail > 0) {
    int len = Utf8SequenceLength(p, avail);
    if (len == 0) return 0;  // invalid text, including encoded surrogates
    uint32_t c = DecodeUtf8(p, len);
    if (++chars > capacity) return 0;
    if (c >= 0x10000) {
      if (n + 2 > capacity) return 0;
      c -= 0x10000;
      out[n++] = static_cast<char16_t>(0xD800 + (c >> 10));
      out[n++] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      if (n + 1 > capacity) return 0;
      out[n++] = static_cast<char16_t>(c);
    }
    p += len;
    avail -= len;
  }
  out[n] = 0;
  return n;
}

void TruncateUtf8Bytes(size_t n, const char* s, char* out) {
  out[0] = 0;
  if (!s) return;
  size_t slen = std::strlen(s);
  if (n < 50) {
    size_t k = n < slen ? n : slen;
    std::memcpy(out, s, k);
    out[k] = 0;
    return;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  size_t used = 0;
  while (used < slen) {
    int len = Utf8SequenceLength(p + used, slen - used);
    if (len == 0 || used + len >= 48) break;
    used += len;
  }
  std::memcpy(out, s, used);
  out[used] = '.';
  out[used + 1] = 0;
}

void ShortenName(const char* s, char* out) {
  out[0] = 0;
  if (!s) return;
  size_t chars = Utf8Length(s);
  size_t slen = std::strlen(s);
  if (chars <= 10) {
    size_t k = slen < 49 ? slen : 49;
    // never cut inside a character when the byte limit bites
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    size_t used = 0;
    while (used < k) {
      int len = Utf8SequenceLength(p + used, slen - used);
      if (len == 0 || used + len > k) break;
      used += len;
    }
    if (chars == 0) used = k;  // invalid text: plain byte copy
    std::memcpy(out, s, used);
    out[used] = 0;
    return;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  size_t used = 0;
  for (int i = 0; i < 8; ++i) used += Utf8SequenceLength(p + used, slen - used);
  if (used + 3 <= 50) {
    std::memcpy(out, s, used);
    out[used] = '.';
    out[used + 1] = '.';
    out[used + 2] = 0;
  }
}

std::string ShortenName(const std::string& s) {
  char buf[64];
  ShortenName(s.c_str(), buf);
  return buf;
}

int IsToday(time_t t) {
  time_t now = std::time(nullptr);
  struct tm a {}, b {};
  localtime_r(&t, &a);
  localtime_r(&now, &b);
  return (a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday) ? 1 : 0;
}

namespace {

std::mt19937& RandomEngine() {
  static std::mt19937 engine{std::random_device{}()};
  return engine;
}

}  // namespace

void SeedRandom(uint32_t seed) { RandomEngine().seed(seed); }

int RandomInt(int a, int b) {
  // An empty range has only its low end.
  if (b <= a) return a;
  uint32_t u = RandomEngine()();
  int64_t span = static_cast<int64_t>(b) - a + 1;
  int64_t v = a + static_cast<int64_t>(static_cast<double>(u) / 4294967296.0 * static_cast<double>(span));
  return static_cast<int>(v > b ? b : v);
}

void CopyFixedText(char* field, size_t width, const char* text) {
  if (width == 0) return;
  std::memset(field, 0, width);
  if (!text) return;
  size_t n = std::strlen(text);
  if (n > width - 1) n = width - 1;
  std::memcpy(field, text, n);
}

std::string ReadFixedText(const char* field, size_t width) {
  size_t n = 0;
  while (n < width && field[n]) ++n;
  return std::string(field, n);
}
