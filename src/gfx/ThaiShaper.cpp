#include "gfx/ThaiShaper.h"

#include <thai/thrend.h>
#include <thai/thwchar.h>

namespace {

constexpr wchar_t kThaiFirst = 0x0E01;
constexpr wchar_t kThaiLast = 0x0E5B;
// Longest run handed to libthai at once; longer runs are split at a cell boundary
// chosen by the run splitter below (Thai cells are at most four characters long).
constexpr size_t kRunMax = 256;

bool IsThai(wchar_t c) { return c >= kThaiFirst && c <= kThaiLast; }

// Marks that attach to the previous consonant: MAI HAN-AKAT, SARA I..SARA UU,
// PHINTHU, MAITAIKHU..YAMAKKAN. A run is never split right before one of them.
bool IsCombining(wchar_t c) {
  return c == 0x0E31 || (c >= 0x0E34 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E);
}

// Renders one run of Thai characters; returns characters written to out.
size_t ShapeRun(const wchar_t* in, size_t n, wchar_t* out, size_t room) {
  thchar_t tis[kRunMax + 1];
  for (size_t i = 0; i < n; ++i) tis[i] = th_uni2tis(static_cast<thwchar_t>(in[i]));
  tis[n] = 0;
  // Each input character gives at most one glyph, plus a blank base before a mark
  // that has no consonant to sit on.
  thglyph_t glyphs[2 * kRunMax + 2];
  int count = th_render_text_win(tis, glyphs, sizeof glyphs, 0);
  size_t written = 0;
  for (int i = 0; i < count && written < room; ++i) {
    // The blank base only carries a floating mark; drawing the mark alone is enough.
    if (glyphs[i] == TH_BLANK_BASE_GLYPH) continue;
    thwchar_t wc = th_winthai2uni(glyphs[i]);
    if (wc == static_cast<thwchar_t>(-1) || wc == 0) continue;
    out[written++] = static_cast<wchar_t>(wc);
  }
  return written;
}

}  // namespace

bool NeedsThaiShaping(const wchar_t* in, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    wchar_t c = in[i];
    if (IsCombining(c) || c == 0x0E33) return true;
  }
  return false;
}

size_t ShapeThaiText(const wchar_t* in, size_t n, wchar_t* out, size_t capacity) {
  size_t room = capacity;
  size_t written = 0;
  size_t i = 0;
  while (i < n && written < room) {
    if (!IsThai(in[i])) {
      out[written++] = in[i++];
      continue;
    }
    size_t end = i;
    while (end < n && IsThai(in[end]) && end - i < kRunMax) ++end;
    // A run cut by the length limit must not end in the middle of a cell.
    if (end < n && IsThai(in[end])) {
      size_t cut = end;
      while (cut > i + 1 && IsCombining(in[cut])) --cut;
      end = cut;
    }
    written += ShapeRun(in + i, end - i, out + written, room - written);
    i = end;
  }
  out[written] = 0;
  return written;
}
