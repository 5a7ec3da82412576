#include "ui/CImeBox.h"

#include <cstring>

#include "framework/StringUtil.h"
#include "ui/ImeFocusHolder.h"

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

void DefaultCancelComposition() {
  // SDL has no call that only cancels the composition; restarting text input makes
  // the input method reset its state.
  if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_IsTextInputActive()) {
    SDL_StopTextInput();
    SDL_StartTextInput();
  }
}

CImeBox::CancelCompositionFn g_cancel_composition = DefaultCancelComposition;

}  // namespace

void CImeBox::SetCancelCompositionHook(CancelCompositionFn fn) {
  g_cancel_composition = fn ? fn : DefaultCancelComposition;
}

CImeBox::CImeBox() {
  std::memset(m_text, 0, sizeof m_text);
  std::memset(m_candidates, 0, sizeof m_candidates);
  std::memset(m_composition, 0, sizeof m_composition);
  std::memset(m_display, 0, sizeof m_display);
}

CImeBox::~CImeBox() {
  // The holder keeps a plain pointer; never leave it pointing at a dead box.
  if (ImeFocusHolder::Focused() == this) ImeFocusHolder::SetFocus(nullptr);
}

void CImeBox::SetCapacity(int bytes) {
  if (bytes < 1) bytes = 1;
  if (bytes > kBufferBytes) bytes = kBufferBytes;
  m_capacity = bytes;
}

void CImeBox::SetText(const char* text) {
  m_length = 0;
  m_caret = 0;
  m_composition_length = 0;
  m_candidate_page = -1;
  std::memset(m_text, 0, sizeof m_text);
  std::memset(m_composition, 0, sizeof m_composition);
  if (!text) return;
  size_t n = std::strlen(text);
  if (n > static_cast<size_t>(m_capacity)) return;
  std::memcpy(m_text, text, n);
  m_text[n] = 0;
  m_length = m_caret = static_cast<int>(n);
  OnFocusChanged(1);
}

int CImeBox::InsertChar(const char* bytes, int n) {
  if (n <= 0 || n > 4 || m_length + n > m_capacity) return 0;
  std::memmove(m_text + m_caret + n, m_text + m_caret, m_length - m_caret);
  std::memcpy(m_text + m_caret, bytes, n);
  m_caret += n;
  m_length += n;
  m_text[m_length] = 0;
  return 1;
}

int CImeBox::InsertText(const char* text) {
  if (!text) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  size_t avail = std::strlen(text);
  int inserted = 0;
  while (avail > 0) {
    int n = Utf8SequenceLength(p, avail);
    if (n <= 0) {  // not a character: skip the byte
      ++p;
      --avail;
      continue;
    }
    if (!InsertChar(reinterpret_cast<const char*>(p), n)) break;
    inserted += n;
    p += n;
    avail -= n;
  }
  return inserted;
}

void CImeBox::DeleteAtCaret() {
  if (m_caret >= m_length) return;
  int n = Utf8SequenceLength(reinterpret_cast<const unsigned char*>(m_text + m_caret), m_length - m_caret);
  if (n <= 0) n = 1;
  std::memmove(m_text + m_caret, m_text + m_caret + n, m_length - m_caret - n);
  m_length -= n;
  m_text[m_length] = 0;
}

void CImeBox::DeleteBeforeCaret() {
  if (m_caret <= 0) return;
  int start = m_caret;
  CaretLeft();
  int n = start - m_caret;
  std::memmove(m_text + m_caret, m_text + start, m_length - start);
  m_length -= n;
  if (m_length < 0) m_length = 0;
  m_text[m_length] = 0;
}

void CImeBox::CaretLeft() {
  if (m_caret <= 0) return;
  int p = m_caret - 1;
  // Step back over at most three continuation bytes to the lead byte.
  while (p > 0 && m_caret - p < 4 && IsContinuation(static_cast<unsigned char>(m_text[p]))) --p;
  m_caret = p;
}

void CImeBox::CaretRight() {
  if (m_caret >= m_length) return;
  int n = Utf8SequenceLength(reinterpret_cast<const unsigned char*>(m_text + m_caret), m_length - m_caret);
  m_caret += n > 0 ? n : 1;
}

void CImeBox::ClearComposition() {
  m_composition_length = 0;
  m_composition[0] = 0;
}

void CImeBox::SetComposition(const char* text) {
  size_t n = text ? std::strlen(text) : 0;
  if (n == 0) {
    ClearComposition();
    return;
  }
  if (static_cast<size_t>(m_length) + n > static_cast<size_t>(m_capacity)) {
    // The composition could never be committed whole: cancel it.
    g_cancel_composition();
    ClearComposition();
    return;
  }
  std::memcpy(m_composition, text, n);
  m_composition[n] = 0;
  m_composition_length = static_cast<int>(n);
}

bool CImeBox::HandleEvent(const SDL_Event& event) {
  bool handled = false;
  switch (event.type) {
    case SDL_KEYDOWN:
      switch (event.key.keysym.sym) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
          // The key also goes on to the game logic and the mode.
          OnEnter();
          return false;
        case SDLK_END: CaretEnd(); handled = true; break;
        case SDLK_HOME: CaretHome(); handled = true; break;
        case SDLK_LEFT: CaretLeft(); handled = true; break;
        case SDLK_RIGHT: CaretRight(); handled = true; break;
        case SDLK_DELETE: DeleteAtCaret(); handled = true; break;
        case SDLK_BACKSPACE: DeleteBeforeCaret(); handled = true; break;
        default: return false;
      }
      break;
    case SDL_TEXTINPUT:
      // The committed text: the composition (if any) is replaced by it.
      InsertText(event.text.text);
      ClearComposition();
      handled = true;
      break;
    case SDL_TEXTEDITING:
      SetComposition(event.edit.text);
      handled = true;
      break;
    default:
      return false;
  }
  if (handled) OnImeMessage(event);
  return handled;
}

bool HandleWindowMessage(const SDL_Event& event) {
  CImeBox* box = ImeFocusHolder::Focused();
  if (!box) return false;
  return box->HandleEvent(event);
}
