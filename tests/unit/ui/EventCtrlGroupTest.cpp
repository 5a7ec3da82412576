#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/EventCtrlGroup.h"

namespace {

// A control that records calls into a shared journal and consumes events inside its
// rectangle (touch) or always (when `greedy`).
struct Probe : ZBEventCtrl {
  Probe(std::string name, std::vector<std::string>* journal, int l, int t, int r, int b)
      : name(std::move(name)), journal(journal) {
    SetRect(l, t, r, b);
  }
  int Draw() override {
    journal->push_back(name + ":draw");
    return 1;
  }
  int OnTouchDown(int button, int x, int y) override {
    journal->push_back(name + ":down" + std::to_string(button));
    return HitTest(x, y) ? 1 : 0;
  }
  int OnTouchUp(int button, int x, int y) override {
    journal->push_back(name + ":up" + std::to_string(button));
    return HitTest(x, y) ? 1 : 0;
  }
  int OnTouchMove(int, int x, int y) override {
    journal->push_back(name + ":move");
    return HitTest(x, y) ? 1 : 0;
  }
  int OnWheel(int delta, int, int) override {
    journal->push_back(name + ":wheel" + std::to_string(delta));
    return 0;
  }
  std::string name;
  std::vector<std::string>* journal;
};

class EventCtrlGroupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    group.Add(&first);
    group.Add(&second);
    group.Add(&far);
  }
  std::vector<std::string> journal;
  // first and second overlap on (50..100, 50..100).
  Probe first{"first", &journal, 0, 0, 100, 100};
  Probe second{"second", &journal, 50, 50, 150, 150};
  Probe far{"far", &journal, 400, -20, 500, 30};
  EventCtrlGroup group;
};

TEST_F(EventCtrlGroupTest, BoundsAreTheUnionWithTheOrigin) {
  EXPECT_EQ(group.m_left, 0);
  EXPECT_EQ(group.m_top, -20);
  EXPECT_EQ(group.m_right, 500);
  EXPECT_EQ(group.m_bottom, 150);
  EXPECT_EQ(group.Add(nullptr), 0);
  EXPECT_EQ(group.GetCount(), 3);
}

TEST_F(EventCtrlGroupTest, OverlapGoesToTheFirstAddedUnlessHidden) {
  EXPECT_EQ(group.DispatchTouchDown(0, 75, 75), 1);
  EXPECT_EQ(journal, (std::vector<std::string>{"first:down0"}));
  EXPECT_EQ(group.m_visited, 1);

  journal.clear();
  first.m_hidden = 1;
  EXPECT_EQ(group.DispatchTouchUp(1, 75, 75), 1);
  EXPECT_EQ(journal, (std::vector<std::string>{"second:up1"}));
  EXPECT_EQ(group.m_visited, 1);

  journal.clear();
  EXPECT_EQ(group.DispatchTouchDown(0, 1000, 1000), 0);  // nobody consumes
  EXPECT_EQ(journal, (std::vector<std::string>{"second:down0", "far:down0"}));
  EXPECT_EQ(group.m_visited, 2);
}

TEST_F(EventCtrlGroupTest, MoveAndWheelReachEveryVisibleMember) {
  EXPECT_EQ(group.DispatchTouchMove(0, 75, 75), 1);  // first and second both consume
  EXPECT_EQ(journal, (std::vector<std::string>{"first:move", "second:move", "far:move"}));
  journal.clear();
  far.m_hidden = 1;
  EXPECT_EQ(group.DispatchWheel(-40, 0, 0), 0);
  EXPECT_EQ(journal, (std::vector<std::string>{"first:wheel-40", "second:wheel-40"}));
  EXPECT_EQ(group.m_visited, 2);
}

TEST_F(EventCtrlGroupTest, DisabledGroupTouchesNothing) {
  group.m_visited = 7;
  group.m_enabled = 0;
  EXPECT_EQ(group.DispatchTouchDown(0, 75, 75), 0);
  EXPECT_EQ(group.DispatchTouchUp(0, 75, 75), 0);
  EXPECT_EQ(group.DispatchTouchMove(0, 75, 75), 0);
  EXPECT_EQ(group.DispatchWheel(40, 75, 75), 0);
  EXPECT_TRUE(journal.empty());
  EXPECT_EQ(group.m_visited, 7);
}

TEST_F(EventCtrlGroupTest, DrawInOrderSkippingHiddenThenHideAllAndRelease) {
  second.m_hidden = 1;
  EXPECT_EQ(group.DrawAll(), 1);
  EXPECT_EQ(journal, (std::vector<std::string>{"first:draw", "far:draw"}));
  group.HideAll();
  EXPECT_EQ(first.m_hidden + second.m_hidden + far.m_hidden, 3);
  group.ReleaseAll();
  EXPECT_EQ(group.GetCount(), 0);
  EXPECT_EQ(group.m_right, 0);
  EXPECT_EQ(group.m_visited, 0);
  journal.clear();
  EXPECT_EQ(group.DispatchTouchDown(0, 75, 75), 0);
  EXPECT_TRUE(journal.empty());
}

TEST(ZBEventCtrlTest, BaseHandlersAndInclusiveHitTest) {
  ZBEventCtrl c;
  EXPECT_EQ(c.m_enabled, 1);
  EXPECT_EQ(c.m_hidden, 0);
  EXPECT_EQ(c.m_receiver, nullptr);
  EXPECT_EQ(c.OnTouchDown(0, 0, 0) | c.OnTouchUp(0, 0, 0) | c.OnTouchMove(0, 0, 0) | c.OnWheel(40, 0, 0) | c.Draw(), 0);
  c.SetRect(10, 20, 30, 40);
  struct Case { int x, y; bool inside; };
  for (const Case& k : {Case{10, 20, true}, Case{30, 40, true}, Case{20, 30, true}, Case{9, 30, false},
                        Case{31, 30, false}, Case{20, 19, false}, Case{20, 41, false}}) {
    EXPECT_EQ(c.HitTest(k.x, k.y), k.inside) << k.x << "," << k.y;
  }
}

}  // namespace
