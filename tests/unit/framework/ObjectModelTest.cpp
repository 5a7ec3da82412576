#include <gtest/gtest.h>

#include <vector>

#include "framework/ZBArray.h"
#include "framework/ZBAutoreleasePool.h"
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"

namespace {

// Records destruction order into a shared log.
class Tracked : public ZBObject {
 public:
  Tracked(std::vector<int>* log, int tag) : m_log(log), m_tag(tag) {}
  ~Tracked() override {
    if (m_log) m_log->push_back(m_tag);
  }

 private:
  std::vector<int>* m_log;
  int m_tag;
};

class Outer : public ZBObject {
 public:
  ZBArray inner;
};

TEST(ZBObject, SerialsAreConsecutiveAndEmbeddedMembersTakeTheirOwn) {
  Tracked a(nullptr, 0);
  Outer o;
  EXPECT_EQ(o.GetSerial(), a.GetSerial() + 1);  // outer first
  EXPECT_EQ(o.inner.GetSerial(), a.GetSerial() + 2);
  EXPECT_EQ(ZBObject::LastSerial(), o.inner.GetSerial());
}

TEST(ZBObject, ReleaseDestroysOnlyWhenTheLastReferenceGoes) {
  std::vector<int> log;
  auto* t = new Tracked(&log, 7);
  EXPECT_EQ(t->RefCount(), 1);
  t->Retain();
  EXPECT_EQ(t->Release(), 0);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(t->Release(), 1);
  EXPECT_EQ(log, std::vector<int>{7});
}

TEST(ZBObject, IsEqualIsIdentity) {
  Tracked a(nullptr, 0), b(nullptr, 0);
  EXPECT_EQ(a.IsEqual(&a), 1);
  EXPECT_EQ(a.IsEqual(&b), 0);
  EXPECT_EQ(a.IsEqual(nullptr), 0);
}

TEST(ZBArray, GrowsByDoublingAndHoldsOneReferencePerElement) {
  std::vector<int> log;
  auto* arr = new ZBArray();
  EXPECT_EQ(arr->Capacity(), 1u);
  std::vector<Tracked*> items;
  for (int i = 0; i < 5; ++i) {
    auto* t = new Tracked(&log, i);
    arr->Add(t);
    EXPECT_EQ(t->RefCount(), 2);
    t->Release();  // the array keeps the object alive
    items.push_back(t);
    if (i == 3) {
      EXPECT_EQ(arr->Capacity(), 4u);
    }
  }
  EXPECT_EQ(arr->Capacity(), 8u);
  arr->RemoveAt(1);
  EXPECT_EQ(log, std::vector<int>{1});
  EXPECT_EQ(arr->Count(), 4u);
  EXPECT_EQ(arr->At(1), items[2]);
  EXPECT_EQ(arr->Capacity(), 8u);  // never shrinks
  arr->Release();
  // destruction releases from the last element to the first
  EXPECT_EQ(log, (std::vector<int>{1, 4, 3, 2, 0}));
}

TEST(ZBArray, RemoveObjectDoesNotRelease) {
  auto* arr = new ZBArray();
  Tracked t(nullptr, 0);
  arr->Add(&t);
  EXPECT_EQ(t.RefCount(), 2);
  EXPECT_EQ(arr->RemoveObject(&t), 1);
  EXPECT_EQ(t.RefCount(), 2);
  EXPECT_EQ(arr->Count(), 0u);
  EXPECT_EQ(arr->RemoveObject(&t), 0);
  t.Release();  // balance the array's reference by hand
  arr->Release();
}

TEST(ZBPoolManager, PopWithOnePoolDrainsAndKeepsItCurrent) {
  ZBPoolManager::Destroy();
  ZBPoolManager& pm = ZBPoolManager::Get();
  pm.Push();
  ZBAutoreleasePool* first = pm.Current();
  std::vector<int> log;
  (new Tracked(&log, 1))->Autorelease();
  (new Tracked(&log, 2))->Autorelease();
  EXPECT_TRUE(log.empty());
  pm.Pop();
  EXPECT_EQ(log, (std::vector<int>{2, 1}));  // drained last to first
  EXPECT_EQ(pm.Current(), first);
  EXPECT_EQ(pm.Depth(), 1u);

  // One drain per frame: an object queued once is released exactly once.
  auto* keep = new Tracked(&log, 3);
  keep->Retain();
  keep->Autorelease();
  pm.Pop();
  pm.Pop();
  EXPECT_EQ(keep->RefCount(), 1);
  keep->Release();

  pm.Push();
  EXPECT_NE(pm.Current(), first);
  EXPECT_EQ(pm.Depth(), 2u);
  pm.Pop();
  EXPECT_EQ(pm.Current(), first);
  EXPECT_EQ(pm.Depth(), 1u);
  ZBPoolManager::Destroy();
}

TEST(ZBPoolManager, ObjectDestroyedWhilePendingLeavesThePool) {
  ZBPoolManager::Destroy();
  ZBPoolManager& pm = ZBPoolManager::Get();
  pm.Push();
  std::vector<int> log;
  auto* t = new Tracked(&log, 9);
  t->Retain();
  t->Autorelease();
  EXPECT_EQ(pm.Current()->PendingCount(), 1u);
  delete t;  // an owner destroying it explicitly
  EXPECT_EQ(pm.Current()->PendingCount(), 0u);
  pm.Pop();  // must not touch the freed object
  EXPECT_EQ(log, std::vector<int>{9});
  ZBPoolManager::Destroy();
}

class Lazy : public ZBSingleton<Lazy> {
 public:
  static int constructed;
  Lazy() { ++constructed; }
};
int Lazy::constructed = 0;

TEST(ZBSingleton, CreatedOnFirstUseAndDestroyedExplicitly) {
  EXPECT_EQ(Lazy::InstanceIfAny(), nullptr);
  Lazy* a = Lazy::Instance();
  EXPECT_EQ(Lazy::Instance(), a);
  EXPECT_EQ(Lazy::constructed, 1);
  Lazy::DestroyInstance();
  EXPECT_EQ(Lazy::InstanceIfAny(), nullptr);
}

}  // namespace
