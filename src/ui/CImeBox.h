#pragma once
#include <SDL.h>

#include "framework/ZBObject.h"

// The edit buffer behind every text field, fed straight from the window's keyboard
// and input-method events. The process code page is UTF-8, so the buffer holds UTF-8:
// every edit (insert, delete, caret moves, the maximum length) works on whole
// characters and never leaves a partial sequence behind.
//
// Input-method composition arrives as SDL_TEXTEDITING (the text being composed, shown
// but not yet part of the text) and SDL_TEXTINPUT (the committed text, inserted at the
// caret). At most one box has the keyboard focus (ImeFocusHolder); the window's event
// handler offers every keyboard and text event to HandleWindowMessage first.
class CImeBox : public ZBObject {
 public:
  static constexpr int kBufferBytes = 128;

  CImeBox();
  ~CImeBox() override;

  virtual void OnEnter() {}
  virtual void OnImeMessage(const SDL_Event& event) { (void)event; }
  virtual void OnFocusChanged(int focused) { (void)focused; }
  virtual const char* GetText() { return m_text; }
  // Replaces the text. A text longer than the capacity leaves the box empty.
  virtual void SetText(const char* text);

  // Handles one keyboard or text event for this box. True when it was consumed.
  bool HandleEvent(const SDL_Event& event);

  // The maximum length in bytes, 1..128 (the platform's keyboard call narrows it per
  // field). Existing text beyond a new, smaller limit is kept until edited.
  void SetCapacity(int bytes);
  int Capacity() const { return m_capacity; }

  // Buffer edits; each keeps the caret and the length consistent.
  // Inserts one whole character (1 to 4 bytes); ignored when it would exceed the
  // capacity. Returns 1 when inserted.
  int InsertChar(const char* bytes, int n);
  // Inserts the characters of a UTF-8 text in order, stopping at the first one that
  // does not fit; invalid bytes are skipped. Returns the bytes inserted.
  int InsertText(const char* text);
  void DeleteAtCaret();
  void DeleteBeforeCaret();
  void CaretLeft();
  void CaretRight();
  void CaretHome() { m_caret = 0; }
  void CaretEnd() { m_caret = m_length; }

  int Length() const { return m_length; }
  int Caret() const { return m_caret; }
  const char* Text() const { return m_text; }
  const char* Composition() const { return m_composition; }
  int CompositionLength() const { return m_composition_length; }
  bool HasFocus() const { return m_focused != 0; }

  // Asks the input method to drop its composition; the default restarts SDL's text
  // input. Tests replace it to observe the cancel.
  using CancelCompositionFn = void (*)();
  static void SetCancelCompositionHook(CancelCompositionFn fn);

  char m_text[kBufferBytes + 1];
  int m_length = 0;
  char m_candidates[128];
  int m_candidate_count = 0;
  int m_candidate_page = -1;
  char m_composition[kBufferBytes + 1];
  int m_composition_length = 0;
  int m_caret = 0;
  unsigned char m_focused = 0;
  int m_capacity = kBufferBytes;
  int m_reserved = 0;
  int m_ime_off = 0;
  int m_field_state = 0;
  char m_display[765];

 private:
  void SetComposition(const char* text);
  void ClearComposition();
};

// Offers one SDL event to the focused box. True when it was consumed and should not
// be processed further; false when no box has the focus or the box let it pass.
bool HandleWindowMessage(const SDL_Event& event);
