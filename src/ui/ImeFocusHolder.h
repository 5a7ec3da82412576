#pragma once

class CImeBox;

// Records which edit box has the keyboard focus; one for the whole process.
// The holder does not retain the box: a box that is destroyed while focused removes
// itself (CImeBox's destructor).
class ImeFocusHolder {
 public:
  // The previous box loses the focus (OnFocusChanged (0)), the new one gains it
  // (OnFocusChanged (1)); null removes the focus.
  static void SetFocus(CImeBox* box);
  static CImeBox* Focused();
};
