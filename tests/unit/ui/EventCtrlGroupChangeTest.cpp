// Groups whose members change while the group is being walked: a handler hides,
// removes, destroys or adds controls, dispatches again, or destroys the group.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "ui/EventCtrlGroup.h"

// Counts every allocation of this test program, to show that a warm group dispatches
// and draws without allocating.
namespace {
std::atomic<long> g_allocations{0};
}
void* operator new(std::size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Which of the group's walks a case drives.
enum class Kind { kDown, kUp, kMove, kWheel, kDraw };

const char* KindName(Kind k) {
  switch (k) {
    case Kind::kDown: return "down";
    case Kind::kUp: return "up";
    case Kind::kMove: return "move";
    case Kind::kWheel: return "wheel";
    default: return "draw";
  }
}

int Walk(EventCtrlGroup& g, Kind k) {
  switch (k) {
    case Kind::kDown: return g.DispatchTouchDown(0, 10, 10);
    case Kind::kUp: return g.DispatchTouchUp(0, 10, 10);
    case Kind::kMove: return g.DispatchTouchMove(0, 10, 10);
    case Kind::kWheel: return g.DispatchWheel(40, 10, 10);
    default: return g.DrawAll();
  }
}

// A control that records each call under its name and runs an optional action; it
// consumes nothing unless `consume` is set, so every walk reaches every member.
struct Actor : ZBEventCtrl {
  Actor(std::string name, std::vector<std::string>* journal) : name(std::move(name)), journal(journal) {
    SetRect(0, 0, 100, 100);
  }
  int Call() {
    journal->push_back(name);
    const int result = consume;
    if (action) {
      // Run a copy: the action may clear itself, or destroy this control.
      std::function<void()> run = action;
      run();
    }
    return result;
  }
  int Draw() override { return Call(); }
  int OnTouchDown(int, int, int) override { return Call(); }
  int OnTouchUp(int, int, int) override { return Call(); }
  int OnTouchMove(int, int, int) override { return Call(); }
  int OnWheel(int, int, int) override { return Call(); }

  std::string name;
  std::vector<std::string>* journal;
  std::function<void()> action;
  int consume = 0;
};

using Journal = std::vector<std::string>;

const Kind kAllKinds[] = {Kind::kDown, Kind::kUp, Kind::kMove, Kind::kWheel, Kind::kDraw};

// A click on the first button closes part of its panel: it hides itself, removes the
// next control and destroys a third (which is still a member). The controls left get
// the same event in their order, and the next event reaches only those still visible.
TEST(EventCtrlGroupChange, HandlerHidesItselfRemovesTheNextAndDestroysAThird) {
  for (Kind kind : kAllKinds) {
    SCOPED_TRACE(KindName(kind));
    Journal journal;
    Actor button("button", &journal), next("next", &journal), after("after", &journal), last("last", &journal);
    auto* doomed = new Actor("doomed", &journal);
    EventCtrlGroup group;
    for (ZBEventCtrl* c : {static_cast<ZBEventCtrl*>(&button), static_cast<ZBEventCtrl*>(&next),
                           static_cast<ZBEventCtrl*>(doomed), static_cast<ZBEventCtrl*>(&after),
                           static_cast<ZBEventCtrl*>(&last)})
      group.Add(c);
    button.action = [&] {
      button.m_hidden = 1;
      group.Remove(&next);
      delete doomed;
      button.action = nullptr;
    };
    Walk(group, kind);
    EXPECT_EQ(journal, (Journal{"button", "after", "last"}));
    EXPECT_EQ(group.GetCount(), 3);  // button (hidden), after, last
    EXPECT_FALSE(group.Contains(&next));
    journal.clear();
    Walk(group, kind);
    EXPECT_EQ(journal, (Journal{"after", "last"}));
    if (kind != Kind::kDraw) {
      EXPECT_EQ(group.m_visited, 2);
    }
  }
}

// The first visible member that consumes a press still wins after the members ahead of
// it changed the group; one that was removed before its turn never sees the press.
TEST(EventCtrlGroupChange, FirstAddedStillWinsAfterChanges) {
  struct Case {
    const char* what;
    std::function<void(EventCtrlGroup&, Actor&, Actor&, Actor&)> change;  // run by the first member
    Journal want;
  };
  const Case cases[] = {
      {"removing the second lets the third win",
       [](EventCtrlGroup& g, Actor&, Actor& b, Actor&) { g.Remove(&b); }, {"a", "c"}},
      {"hiding the second lets the third win", [](EventCtrlGroup&, Actor&, Actor& b, Actor&) { b.m_hidden = 1; },
       {"a", "c"}},
      {"showing a hidden member ahead of the winner", [](EventCtrlGroup&, Actor&, Actor& b, Actor&) { b.m_hidden = 0; },
       {"a", "b"}},
      {"re-adding itself moves the first to the end, not twice in this walk",
       [](EventCtrlGroup& g, Actor& a, Actor&, Actor&) {
         g.Remove(&a);
         g.Add(&a);
       },
       {"a", "b"}},
      {"releasing every member ends the walk", [](EventCtrlGroup& g, Actor&, Actor&, Actor&) { g.ReleaseAll(); },
       {"a"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Journal journal;
    Actor a("a", &journal), b("b", &journal), c("c", &journal);
    b.consume = c.consume = 1;
    b.m_hidden = std::string(k.what).find("showing") != std::string::npos;
    EventCtrlGroup group;
    group.Add(&a);
    group.Add(&b);
    group.Add(&c);
    a.action = [&] {
      a.action = nullptr;
      k.change(group, a, b, c);
    };
    const int taken = group.DispatchTouchDown(0, 10, 10);
    EXPECT_EQ(journal, k.want);
    EXPECT_EQ(taken, k.want.size() > 1 ? 1 : 0);
  }
}

// A control opened by a handler (a panel's new buttons) joins at the end and gets the
// next event, not the one that opened it.
TEST(EventCtrlGroupChange, MembersAddedDuringAWalkWaitForTheNextEvent) {
  Journal journal;
  Actor opener("opener", &journal), other("other", &journal), added("added", &journal);
  EventCtrlGroup group;
  group.Add(&opener);
  group.Add(&other);
  opener.action = [&] {
    opener.action = nullptr;
    group.Add(&added);
  };
  group.DispatchTouchMove(0, 10, 10);
  EXPECT_EQ(journal, (Journal{"opener", "other"}));
  journal.clear();
  group.DispatchTouchMove(0, 10, 10);
  EXPECT_EQ(journal, (Journal{"opener", "other", "added"}));
}

// A handler that walks the same group again (drawing from a click, say) sees the group
// as it is then, and a control it destroys is skipped by the outer walk as well.
TEST(EventCtrlGroupChange, NestedWalksOfTheSameGroup) {
  Journal journal;
  Actor a("a", &journal), b("b", &journal);
  auto* c = new Actor("c", &journal);
  EventCtrlGroup group;
  group.Add(&a);
  group.Add(&b);
  group.Add(c);
  int inner = 0;
  b.action = [&] {
    if (inner++) return;  // only the outer visit of b walks again
    journal.push_back("[");
    group.DrawAll();
    journal.push_back("]");
  };
  a.action = [&] {
    if (journal.size() > 1) {  // a's visit in the inner walk destroys c
      delete c;
      c = nullptr;
    }
  };
  group.DispatchWheel(40, 10, 10);
  EXPECT_EQ(journal, (Journal{"a", "b", "[", "a", "b", "]"}));
  EXPECT_EQ(group.GetCount(), 2);
  EXPECT_EQ(group.m_visited, 2);  // the outer walk visited a and b
}

// A click that closes and deletes the whole screen, group included, ends the walk at
// once; nested walks of that group end as well.
TEST(EventCtrlGroupChange, DestroyingTheGroupDuringItsWalk) {
  for (bool nested : {false, true}) {
    SCOPED_TRACE(nested ? "from a nested walk" : "from the walk");
    Journal journal;
    Actor closer("closer", &journal), after("after", &journal);
    auto* group = new EventCtrlGroup;
    group->Add(&closer);
    group->Add(&after);
    int calls = 0;
    closer.action = [&] {
      if (nested && calls++ == 0) {
        group->DispatchTouchUp(0, 10, 10);
        return;
      }
      delete group;
      group = nullptr;
    };
    closer.consume = 0;
    EXPECT_EQ(Walk(*group, Kind::kMove), 0);
    EXPECT_EQ(group, nullptr);
    EXPECT_EQ(journal, nested ? (Journal{"closer", "closer"}) : (Journal{"closer"}));
  }
}

TEST(EventCtrlGroupChange, DestroyedControlsLeaveEveryGroupAndGroupsMayGoFirst) {
  Journal journal;
  Actor keep("keep", &journal);
  auto* shared = new Actor("shared", &journal);
  EventCtrlGroup one, two;
  one.Add(shared);
  one.Add(&keep);
  two.Add(shared);
  two.Add(shared);  // twice in one group
  delete shared;
  EXPECT_EQ(one.GetCount(), 1);
  EXPECT_EQ(two.GetCount(), 0);
  one.DrawAll();
  EXPECT_EQ(journal, (Journal{"keep"}));
  {
    // A group destroyed before its members leaves them free to go later.
    auto group = std::make_unique<EventCtrlGroup>();
    auto ctrl = std::make_unique<Actor>("late", &journal);
    group->Add(ctrl.get());
    group.reset();
  }
  // A copy of a member is a control of its own, in no group.
  {
    Actor copy = keep;
    copy.name = "copy";
  }
  EXPECT_EQ(one.GetCount(), 1);
  EXPECT_EQ(one.GetAt(0), &keep);
}

TEST(EventCtrlGroupChange, WarmGroupDispatchesAndDrawsWithoutAllocating) {
  Journal journal;
  journal.reserve(4096);
  std::vector<std::unique_ptr<Actor>> actors;
  EventCtrlGroup group;
  for (int i = 0; i < 30; ++i) {
    actors.push_back(std::make_unique<Actor>("m", &journal));
    group.Add(actors.back().get());
  }
  for (Kind k : kAllKinds) Walk(group, k);  // first walks size the snapshot
  journal.clear();
  const long before = g_allocations.load();
  for (int round = 0; round < 20; ++round) {
    for (Kind k : kAllKinds) Walk(group, k);
    journal.clear();
  }
  EXPECT_EQ(g_allocations.load() - before, 0);
}

}  // namespace
