#pragma once
#include <cstddef>

// FTGL places every glyph on the baseline after the previous one and does no shaping,
// so Thai tone marks and upper vowels would float high or collide with tall consonants.
// Before a string reaches the font it is pre-shaped with libthai: every run of Thai
// characters is rendered to the Windows Thai positional glyph set and mapped back to
// Unicode, which gives the private-use code points (U+F700..U+F71A) of the lowered,
// left-shifted and tail-less glyph forms that the TLWG faces carry. Other characters
// pass through unchanged.
//
// Shapes `n` characters of `in` into `out`, which holds `capacity` characters plus a
// terminator (the terminator is always written). Returns the number of
// characters written; output that does not fit is cut at a whole character. No heap
// allocation: runs are processed in fixed stack buffers.
size_t ShapeThaiText(const wchar_t* in, size_t n, wchar_t* out, size_t capacity);

// True when the string contains a character that shaping could change (a Thai
// combining mark or a consonant whose form depends on a following below vowel).
bool NeedsThaiShaping(const wchar_t* in, size_t n);
