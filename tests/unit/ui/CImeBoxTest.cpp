#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ui/CImeBox.h"
#include "ui/DXImeFocusManager.h"
#include "ui/ImeFocusHolder.h"

namespace {

SDL_Event Key(SDL_Keycode sym) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.sym = sym;
  return e;
}

SDL_Event TextInput(const char* utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
  return e;
}

SDL_Event TextEditing(const char* utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTEDITING;
  std::strncpy(e.edit.text, utf8, sizeof e.edit.text - 1);
  e.edit.length = static_cast<Sint32>(std::strlen(utf8));
  return e;
}

// Records the hooks so tests can see what the box reported.
class RecordingBox : public CImeBox {
 public:
  void OnEnter() override { ++enters; }
  void OnImeMessage(const SDL_Event&) override { ++ime_messages; }
  void OnFocusChanged(int focused) override { focus_log += focused ? '1' : '0'; }
  int enters = 0;
  int ime_messages = 0;
  std::string focus_log;
};

int g_cancels = 0;
void CountCancel() { ++g_cancels; }

class ImeBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_cancels = 0;
    CImeBox::SetCancelCompositionHook(CountCancel);
    ImeFocusHolder::SetFocus(&box);
  }
  void TearDown() override {
    ImeFocusHolder::SetFocus(nullptr);
    CImeBox::SetCancelCompositionHook(nullptr);
  }
  void Type(const char* utf8) {
    // One committed text event per character, as a keyboard delivers them.
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    size_t avail = std::strlen(utf8);
    while (avail) {
      int n = Utf8Len(p);
      std::string ch(reinterpret_cast<const char*>(p), n);
      EXPECT_TRUE(HandleWindowMessage(TextInput(ch.c_str())));
      p += n;
      avail -= n;
    }
  }
  static int Utf8Len(const unsigned char* p) { return *p < 0x80 ? 1 : *p < 0xE0 ? 2 : *p < 0xF0 ? 3 : 4; }
  bool Send(const SDL_Event& e) { return HandleWindowMessage(e); }
  std::string Text() { return box.GetText(); }

  RecordingBox box;
};

TEST_F(ImeBoxTest, TypingPastTheMaximumKeepsTheFirstBytes) {
  std::string s(130, 'a');
  for (int i = 0; i < 130; ++i) s[i] = static_cast<char>('a' + i % 26);
  Type(s.c_str());
  EXPECT_EQ(128, box.Length());
  EXPECT_EQ(s.substr(0, 128), Text());
}

TEST_F(ImeBoxTest, MaximumLengthNeverSplitsACharacter) {
  struct {
    const char* what;
    int capacity;
    const char* typed;
    const char* kept;
  } cases[] = {
      // Thai characters are three bytes: 7 bytes of room take two of them.
      {"thai", 7, "\xE0\xB8\x81\xE0\xB8\x82\xE0\xB8\x83", "\xE0\xB8\x81\xE0\xB8\x82"},
      // Hangul syllables are three bytes too.
      {"hangul after ascii", 5, "ab\xED\x95\x9C\xEA\xB5\xAD", "ab\xED\x95\x9C"},
      // A four-byte character that does not fit is dropped whole.
      {"four-byte", 6, "abc\xF0\x9F\x98\x80", "abc"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    box.SetText("");
    box.SetCapacity(c.capacity);
    Type(c.typed);
    EXPECT_EQ(std::string(c.kept), Text());
    EXPECT_EQ(box.Length(), static_cast<int>(std::strlen(c.kept)));
  }
  // One commit event holding several characters stops at the first that does not fit,
  // so a shorter later one is never inserted out of order.
  box.SetText("");
  box.SetCapacity(4);
  EXPECT_TRUE(Send(TextInput("a\xE0\xB8\x81\xE0\xB8\x82z")));
  EXPECT_EQ("a\xE0\xB8\x81", Text());
}

TEST_F(ImeBoxTest, CompositionIsShownThenReplacedByTheCommittedText) {
  Type("x");
  EXPECT_TRUE(Send(TextEditing("\xE3\x84\xB1")));  // ㄱ
  EXPECT_STREQ("\xE3\x84\xB1", box.Composition());
  EXPECT_EQ("x", Text()) << "composition is not part of the text";
  EXPECT_TRUE(Send(TextEditing("\xEA\xB0\x80")));  // 가
  EXPECT_STREQ("\xEA\xB0\x80", box.Composition());
  EXPECT_EQ(3, box.CompositionLength());
  EXPECT_TRUE(Send(TextInput("\xEA\xB0\x81")));  // 각 committed
  EXPECT_EQ("x\xEA\xB0\x81", Text());
  EXPECT_EQ(0, box.CompositionLength());
  EXPECT_STREQ("", box.Composition());
  EXPECT_EQ(4, box.Caret());
  // An empty editing event ends a composition without a commit.
  EXPECT_TRUE(Send(TextEditing("\xEA\xB0\x80")));
  EXPECT_TRUE(Send(TextEditing("")));
  EXPECT_EQ(0, box.CompositionLength());
  EXPECT_EQ(0, g_cancels);
}

TEST_F(ImeBoxTest, CompositionThatCannotFitIsCancelledAndNothingInserted) {
  box.SetCapacity(5);
  Type("abc");
  EXPECT_TRUE(Send(TextEditing("\xEA\xB0\x80")));  // 3 more bytes would make 6
  EXPECT_EQ(1, g_cancels);
  EXPECT_EQ(0, box.CompositionLength());
  EXPECT_EQ("abc", Text());
}

TEST_F(ImeBoxTest, CaretMovesAndDeletesWholeCharacters) {
  const char* ko = "\xED\x95\x9C";  // 한
  const char* th = "\xE0\xB8\x81";  // ก
  Type("a");
  Type(ko);
  Type(th);
  Type("b");
  EXPECT_EQ(8, box.Caret());
  EXPECT_TRUE(Send(Key(SDLK_LEFT)));
  EXPECT_EQ(7, box.Caret());
  EXPECT_TRUE(Send(Key(SDLK_LEFT)));
  EXPECT_EQ(4, box.Caret());
  EXPECT_TRUE(Send(Key(SDLK_BACKSPACE)));  // removes 한 whole
  EXPECT_EQ(std::string("a") + th + "b", Text());
  EXPECT_EQ(1, box.Caret());
  EXPECT_TRUE(Send(Key(SDLK_DELETE)));  // removes ก whole
  EXPECT_EQ("ab", Text());
  EXPECT_TRUE(Send(Key(SDLK_RIGHT)));
  EXPECT_EQ(2, box.Caret());
  EXPECT_TRUE(Send(Key(SDLK_RIGHT)));  // at the end: stays
  EXPECT_EQ(2, box.Caret());
  EXPECT_TRUE(Send(Key(SDLK_DELETE)));  // at the end: nothing
  EXPECT_EQ("ab", Text());
  EXPECT_TRUE(Send(Key(SDLK_HOME)));
  EXPECT_TRUE(Send(Key(SDLK_BACKSPACE)));  // at 0: nothing
  EXPECT_EQ("ab", Text());
  EXPECT_EQ(0, box.Caret());
  Type("x");
  EXPECT_EQ("xab", Text());
  EXPECT_TRUE(Send(Key(SDLK_END)));
  EXPECT_EQ(3, box.Caret());
  EXPECT_TRUE(Send(Key(SDLK_LEFT)) && Send(Key(SDLK_LEFT)) && Send(Key(SDLK_LEFT)) && Send(Key(SDLK_LEFT)));
  EXPECT_EQ(0, box.Caret());
}

TEST_F(ImeBoxTest, ReturnCallsOnEnterButIsNotConsumedAndOtherKeysPass) {
  int before = box.ime_messages;
  EXPECT_FALSE(Send(Key(SDLK_RETURN)));
  EXPECT_EQ(1, box.enters);
  EXPECT_FALSE(Send(Key(SDLK_TAB)));
  EXPECT_FALSE(Send(Key(SDLK_ESCAPE)));
  EXPECT_FALSE(Send(Key(SDLK_a)));
  EXPECT_EQ(before, box.ime_messages) << "unhandled events are not reported";
  EXPECT_TRUE(Send(Key(SDLK_HOME)));
  EXPECT_EQ(before + 1, box.ime_messages);
}

TEST_F(ImeBoxTest, SetTextReplacesOrEmptiesWhenTooLong) {
  box.SetCapacity(24);
  box.SetText("hello");
  EXPECT_EQ("hello", Text());
  EXPECT_EQ(5, box.Caret());
  box.SetText(std::string(25, 'z').c_str());
  EXPECT_EQ("", Text());
  EXPECT_EQ(0, box.Length());
  EXPECT_EQ(0, box.Caret());
}

TEST(ImeFocus, OnlyTheFocusedBoxReceivesEventsAndFocusMovesCleanly) {
  RecordingBox a, b;
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  std::strcpy(e.text.text, "q");
  EXPECT_FALSE(HandleWindowMessage(e)) << "no focus: not handled";
  ImeFocusHolder::SetFocus(&a);
  EXPECT_TRUE(a.HasFocus());
  ImeFocusHolder::SetFocus(&b);
  EXPECT_FALSE(a.HasFocus());
  EXPECT_TRUE(b.HasFocus());
  EXPECT_EQ("10", a.focus_log);
  EXPECT_EQ("1", b.focus_log);
  EXPECT_TRUE(HandleWindowMessage(e));
  EXPECT_STREQ("q", b.GetText());
  EXPECT_STREQ("", a.GetText());
  // Destroying the manager at shutdown drops the focus.
  DXImeFocusManager::Instance();
  DXImeFocusManager::DestroyInstance();
  EXPECT_EQ(nullptr, ImeFocusHolder::Focused());
  EXPECT_EQ("10", b.focus_log);
}

TEST(ImeFocus, DestroyedFocusedBoxClearsTheHolder) {
  {
    CImeBox box;
    ImeFocusHolder::SetFocus(&box);
  }
  EXPECT_EQ(nullptr, ImeFocusHolder::Focused());
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  EXPECT_FALSE(HandleWindowMessage(e));
}

}  // namespace
