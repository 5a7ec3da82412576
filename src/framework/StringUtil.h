#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

// printf-style formatting into a zero-filled 1024-byte buffer; longer output is cut.
std::string FormatString(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Decimal digits with "," between groups of three: -1234567 -> "-1,234,567".
std::string FormatNumber(int64_t v);
inline std::string FormatNumber(int32_t v) { return FormatNumber(static_cast<int64_t>(v)); }

// Short amounts: below 100000 as FormatNumber, then "123.4K", "120K", "1,234.5M".
std::string FormatAmountShort(int64_t v);

// Text conversions. Inside the client text is UTF-8; wide strings are UTF-32 on Linux
// and the process code page is UTF-8, so the "Ansi" forms are UTF-8 too.
std::wstring Utf8ToWide(const std::string& s);
std::wstring AnsiToWide(const std::string& s);
std::string WideToAnsi(const std::wstring& w);
std::string WideToUtf8(const std::wstring& w);
// Writes the converted text into `out` (capacity `out_size` bytes, terminated) unless it
// needs 766 or more wide characters; returns the wide-character count with the
// terminator, or 0 when nothing was written.
int Utf8ToAnsi(const char* s, char* out, size_t out_size);

// Number of UTF-8 characters, or 0 when the text is not valid UTF-8.
size_t Utf8Length(const char* s);
inline size_t Utf8Length(const std::string& s) { return Utf8Length(s.c_str()); }
// Byte length of the valid UTF-8 sequence starting at s (1 to 4), or 0 when invalid.
int Utf8SequenceLength(const unsigned char* s, size_t avail);
// The code point of a sequence already checked by Utf8SequenceLength (len 1 to 4).
uint32_t DecodeUtf8(const unsigned char* s, int len);

// Valid UTF-8 to UTF-16 units (surrogate pairs above U+FFFF) in a caller buffer of
// `capacity` units plus a terminator. Returns the unit count, or 0 on failure.
size_t Utf8ToUtf16Buffer(const char* s, char16_t* out, size_t capacity);

// n < 50: the first n bytes. Otherwise whole characters while the byte count stays
// below 48, then ".". `out` must hold 64 bytes.
void TruncateUtf8Bytes(size_t n, const char* s, char* out);

// Names of up to 10 characters are copied; longer ones become 8 characters and "..".
// `out` must hold 50 bytes.
void ShortenName(const char* s, char* out);
std::string ShortenName(const std::string& s);

// 1 when t falls on today's local calendar date.
int IsToday(time_t t);

// Uniform integer in [a, b] from one process-wide MT19937 engine; a when b <= a.
// The engine is not locked: callers share it from one thread.
int RandomInt(int a, int b);
// Restarts the engine from `seed`, so a run of RandomInt can be repeated (tests).
void SeedRandom(uint32_t seed);

// Copies a zero-terminated text into a fixed field of `width` bytes, zero padded and
// always terminated inside the field.
void CopyFixedText(char* field, size_t width, const char* text);
// Reads a fixed text field that may lack its terminator.
std::string ReadFixedText(const char* field, size_t width);
