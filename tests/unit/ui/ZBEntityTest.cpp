#include <gtest/gtest.h>

#include <vector>

#include "ui/ZBEntity.h"

namespace {

// Distinct non-null values to store.
int a_, b_, c_, d_;
void* const A = &a_;
void* const B = &b_;
void* const C = &c_;
void* const D = &d_;

std::vector<void*> Forward(ZBEntity& list) {
  std::vector<void*> out;
  for (void* v = list.First(); v; v = list.Next()) out.push_back(v);
  return out;
}

std::vector<void*> Backward(ZBEntity& list) {
  std::vector<void*> out;
  for (void* v = list.Last(); v; v = list.Prev()) out.push_back(v);
  return out;
}

// List c, a, b built with AddTail(a), AddTail(b), AddHead(c).
class ZBEntityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EXPECT_EQ(list.AddTail(A), 1);
    EXPECT_EQ(list.AddTail(B), 2);
    EXPECT_EQ(list.AddHead(C), 3);
  }
  ZBEntity list;
};

TEST_F(ZBEntityTest, OrderIndexingAndBounds) {
  EXPECT_EQ(Forward(list), (std::vector<void*>{C, A, B}));
  EXPECT_EQ(Backward(list), (std::vector<void*>{B, A, C}));
  EXPECT_EQ(list.GetAt(2), B);
  EXPECT_EQ(list.GetAt(3), nullptr);
  EXPECT_EQ(list.GetAt(-1), nullptr);
  EXPECT_EQ(list.SeekTo(3), nullptr);
  EXPECT_EQ(list.SeekTo(1), A);
  EXPECT_EQ(list.Next(), B);
  EXPECT_EQ(list.HeadValue(), C);
  EXPECT_EQ(list.TailValue(), B);
  EXPECT_TRUE(list.IsTail(B));
  EXPECT_FALSE(list.IsTail(A));
}

TEST_F(ZBEntityTest, InsertAfter) {
  EXPECT_EQ(list.InsertAfter(nullptr, D), 1);
  EXPECT_EQ(Forward(list), (std::vector<void*>{D, C, A, B}));
  EXPECT_EQ(list.GetCount(), 4);
  int e = 0;
  EXPECT_EQ(list.InsertAfter(&e, D), 0);  // unknown anchor: unchanged
  EXPECT_EQ(list.GetCount(), 4);
  EXPECT_EQ(list.InsertAfter(B, &e), 1);  // after the tail: becomes the tail
  EXPECT_EQ(list.TailValue(), &e);
  EXPECT_EQ(Backward(list).front(), &e);
}

TEST_F(ZBEntityTest, CursorStopsAtTheEnds) {
  EXPECT_EQ(list.First(), C);
  EXPECT_EQ(list.Next(), A);
  EXPECT_EQ(list.Next(), B);
  EXPECT_EQ(list.Next(), nullptr);  // stays on the last node
  EXPECT_EQ(list.Next(), nullptr);
  EXPECT_EQ(list.Prev(), A);
  EXPECT_EQ(list.Prev(), C);
  EXPECT_EQ(list.Prev(), nullptr);
  EXPECT_EQ(list.Next(), A);
}

TEST_F(ZBEntityTest, RemovingUnderTheCursorMovesItToTheNextNode) {
  EXPECT_EQ(list.SeekTo(1), A);
  EXPECT_EQ(list.Remove(A), 0);  // always 0
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.CursorNode()->m_value, B);
  EXPECT_EQ(Forward(list), (std::vector<void*>{C, B}));
  // Removing the tail while the cursor is on it leaves no cursor; iteration ends.
  list.Last();
  EXPECT_EQ(list.RemoveTail(), B);
  EXPECT_EQ(list.Next(), nullptr);
  EXPECT_EQ(list.RemoveHead(), C);
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.HeadNode(), nullptr);
}

TEST_F(ZBEntityTest, SwapAndFind) {
  ZBENTITYOBJECT* na = list.FindNode(A);
  ZBENTITYOBJECT* nb = list.FindNode(B);
  ASSERT_NE(na, nullptr);
  ASSERT_NE(nb, nullptr);
  EXPECT_EQ(list.FindNode(D), nullptr);
  EXPECT_EQ(list.Swap(na, nb), 1);
  EXPECT_EQ(Forward(list), (std::vector<void*>{C, B, A}));
  EXPECT_EQ(list.Swap(na, nullptr), 0);
  EXPECT_EQ(list.RemoveNode(nullptr), 0);
}

TEST(ZBEntityEmpty, EveryOperationAnswersNone) {
  ZBEntity list;
  EXPECT_EQ(list.AddTail(nullptr), 0);
  EXPECT_EQ(list.AddHead(nullptr), 0);
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.First(), nullptr);
  EXPECT_EQ(list.Last(), nullptr);
  EXPECT_EQ(list.Next(), nullptr);
  EXPECT_EQ(list.Prev(), nullptr);
  EXPECT_EQ(list.RemoveHead(), nullptr);
  EXPECT_EQ(list.RemoveTail(), nullptr);
  EXPECT_EQ(list.SeekTo(0), nullptr);
  EXPECT_EQ(list.GetAt(0), nullptr);
  EXPECT_FALSE(list.IsTail(nullptr));
  EXPECT_EQ(list.HeadValue(), nullptr);
  EXPECT_EQ(list.TailValue(), nullptr);
}

TEST(ZBEntityEmpty, RemoveAllThenReuse) {
  ZBEntity list;
  for (int i = 0; i < 3; ++i) list.Add(A);
  list.First();
  list.RemoveAll();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.Next(), nullptr);
  EXPECT_EQ(list.Add(B), 1);
  EXPECT_EQ(Forward(list), (std::vector<void*>{B}));
}

}  // namespace
