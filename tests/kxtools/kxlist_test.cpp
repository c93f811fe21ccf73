#include <kxtools/inc/kxlist.h>
#include <kxtools/inc/kxstring.h>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

// An element that counts live instances and orders by key.
class Probe : public KxObject {
public:
  explicit Probe(int key = 0) : key_(key) { ++alive; }
  ~Probe() override { --alive; }
  std::int32_t compareTo(const KxObject& other) const override {
    const int k = static_cast<const Probe&>(other).key_;
    return key_ < k ? -1 : (key_ > k ? 1 : 0);
  }
  void notify(std::int32_t a, std::int32_t b) override { notified += a * 10 + b; }
  int key() const { return key_; }
  int notified = 0;
  static inline int alive = 0;

private:
  int key_;
};

// A broken ordering: answers outside -1..1.
class WildProbe : public Probe {
public:
  using Probe::Probe;
  std::int32_t compareTo(const KxObject& other) const override { return Probe::compareTo(other) * 5; }
};

class KxListTest : public ::testing::Test {
protected:
  void SetUp() override { Probe::alive = 0; }
  void TearDown() override { EXPECT_EQ(Probe::alive, 0) << "every element was deleted exactly once"; }
};

std::vector<int> keysOf(const KxList& list) {
  std::vector<int> keys;
  for (std::int32_t i = 0; i < list.count(); ++i) {
    keys.push_back(static_cast<Probe*>(list.at(i))->key());
  }
  return keys;
}

TEST_F(KxListTest, CapacityAndGrowth) {
  KxList list;
  EXPECT_EQ(list.capacity(), 5);
  EXPECT_EQ(list.cursor(), -1);
  for (int i = 0; i < 5; ++i) {
    list.add(new Probe(i));
  }
  EXPECT_EQ(list.capacity(), 5);
  list.add(new Probe(5));
  EXPECT_EQ(list.capacity(), 10);
  EXPECT_EQ(keysOf(list), (std::vector<int>{0, 1, 2, 3, 4, 5}));

  EXPECT_EQ(KxList(6000).capacity(), 5);
  EXPECT_EQ(KxList(5000).capacity(), 5000);
  EXPECT_EQ(KxList(-3).capacity(), 5);
  KxList empty(0);
  EXPECT_EQ(empty.capacity(), 0);
  Probe p;
  EXPECT_TRUE(empty.add(&p));
  EXPECT_EQ(empty.capacity(), 5) << "growing to zero slots grows by five instead";
  empty.removeAll();
}

TEST_F(KxListTest, PlainAppendStopsAt32767Slots) {
  std::vector<std::unique_ptr<Probe>> owned;
  KxList list;
  for (int i = 0; i < 32767; ++i) {
    owned.push_back(std::make_unique<Probe>(i));
    ASSERT_TRUE(list.add(owned.back().get())) << i;
  }
  EXPECT_EQ(list.capacity(), 32767);
  Probe extra;
  EXPECT_FALSE(list.add(&extra));
  EXPECT_EQ(extra.holderCount(), 0);
  EXPECT_EQ(list.count(), 32767);
  list.removeAll();
}

TEST_F(KxListTest, NullArgumentsAreRefused) {
  KxList list;
  EXPECT_FALSE(list.add(nullptr));
  EXPECT_EQ(list.remove(nullptr), nullptr);
  EXPECT_EQ(list.indexOf(nullptr), -1);
  EXPECT_EQ(list.find(nullptr), nullptr);
  EXPECT_FALSE(list.contains(nullptr));
  EXPECT_EQ(list.indexOfPointer(nullptr), -1);
  list.removeAndDelete(nullptr);
  EXPECT_EQ(list.next(), nullptr);
  EXPECT_EQ(list.at(-1), nullptr);
  EXPECT_EQ(list.at(0), nullptr);
}

TEST_F(KxListTest, IterationSurvivesRemovalBeforeTheCursor) {
  KxList list;
  Probe* items[4];
  for (int i = 0; i < 4; ++i) {
    items[i] = new Probe(i);
    list.add(items[i]);
  }
  std::vector<int> seen;
  list.first();
  while (KxObject* obj = list.next()) {
    const int key = static_cast<Probe*>(obj)->key();
    seen.push_back(key);
    if (key == 1) {
      list.removeAndDelete(items[0]); // before the cursor
    }
  }
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3}));
  std::vector<int> backwards;
  list.last();
  while (KxObject* obj = list.prev()) {
    backwards.push_back(static_cast<Probe*>(obj)->key());
  }
  EXPECT_EQ(backwards, (std::vector<int>{3, 2, 1}));
}

TEST_F(KxListTest, RemoveNeverDeletesAndReturnsItsArgument) {
  KxList list;
  Probe kept(1);
  Probe absent(2);
  list.add(&kept);
  EXPECT_EQ(kept.holderCount(), 1);
  EXPECT_EQ(list.remove(&kept), &kept);
  EXPECT_EQ(kept.holderCount(), 0);
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.remove(&absent), &absent) << "returned even when not found";
  EXPECT_EQ(absent.holderCount(), 0);
}

TEST_F(KxListTest, ElementInTwoListsDiesWithTheSecond) {
  auto* shared = new Probe(7);
  {
    KxList a;
    {
      KxList b;
      a.add(shared);
      b.add(shared);
      EXPECT_EQ(shared->holderCount(), 2);
      b.deleteAll();
      EXPECT_EQ(Probe::alive, 1);
      EXPECT_EQ(b.count(), 0);
      EXPECT_EQ(b.cursor(), 0);
      EXPECT_EQ(b.capacity(), 5);
    }
    EXPECT_EQ(shared->holderCount(), 1);
  }
  EXPECT_EQ(Probe::alive, 0) << "the last list's destructor deleted it";
}

TEST_F(KxListTest, RemoveAndDeleteRules) {
  KxList list;
  auto* inList = new Probe(1);
  list.add(inList);
  list.removeAndDelete(inList);
  EXPECT_EQ(Probe::alive, 0);

  auto* stray = new Probe(2);
  list.removeAndDelete(stray);
  EXPECT_EQ(Probe::alive, 0) << "an unreferenced object is deleted even when not in the list";

  Probe heldElsewhere(3);
  KxList other;
  other.add(&heldElsewhere);
  list.add(&heldElsewhere);
  list.removeAndDelete(&heldElsewhere);
  EXPECT_EQ(Probe::alive, 1) << "still held by the other list";
  other.removeAll();
  EXPECT_EQ(other.cursor(), 0);
}

TEST_F(KxListTest, SearchByEqualityIsByClass) {
  KxList list;
  Probe a(1);
  KxString s("text");
  Probe b(2);
  list.add(&a);
  list.add(&s);
  list.add(&b);
  Probe probe(99);
  EXPECT_EQ(list.indexOf(&probe), 0) << "first element of the probe's class";
  EXPECT_EQ(list.find(&KxString::empty()), &s);
  EXPECT_EQ(list.indexOfPointer(&b), 2);
  EXPECT_TRUE(list.contains(&s));
  EXPECT_FALSE(list.contains(&probe));
  EXPECT_FALSE(list.addIfAbsent(&a));
  EXPECT_FALSE(list.addIfNotFound(&probe)) << "an element of its class exists";
  EXPECT_EQ(list.count(), 3);
  EXPECT_EQ(list.item(1), &s);
  list.removeAll();
}

TEST_F(KxListTest, NotifyReachesEveryElement) {
  KxList list;
  Probe a;
  Probe b;
  list.add(&a);
  list.add(&b);
  list.forEachNotify(4, 2);
  EXPECT_EQ(a.notified, 42);
  EXPECT_EQ(b.notified, 42);
  list.removeAll();
}

TEST_F(KxListTest, CopySharesAndAssignReplaces) {
  KxList original;
  auto* p = new Probe(1);
  original.add(p);
  {
    const KxList copy(original);
    EXPECT_EQ(copy.count(), 1);
    EXPECT_EQ(p->holderCount(), 2);
  }
  EXPECT_EQ(Probe::alive, 1);
  KxList target;
  Probe local(5);
  target.add(&local);
  target = original;
  EXPECT_EQ(local.holderCount(), 0) << "released, not deleted";
  EXPECT_EQ(target.count(), 1);
  EXPECT_EQ(target.cursor(), -1);
  EXPECT_EQ(p->holderCount(), 2);
  target = target;
  EXPECT_EQ(target.count(), 1);
}

TEST_F(KxListTest, TypedListAdmitsOneClass) {
  KxTypedList widgets;
  KxString text("s");
  KxList nested;
  Probe widget;
  EXPECT_EQ(widgets.classId(), 30002);
  EXPECT_FALSE(widgets.add(&text));
  EXPECT_FALSE(widgets.add(&nested));
  EXPECT_TRUE(widgets.add(&widget));
  EXPECT_EQ(widgets.remove(&text), nullptr);

  KxTypedList strings(kKxStringClassId);
  auto* owned = new KxString("kept");
  strings.add(owned);
  Probe stray;
  strings.removeAndDelete(&stray);
  EXPECT_EQ(Probe::alive, 2) << "a wrong class id protects the object";
  const KxTypedList copy(strings);
  EXPECT_EQ(copy.elementClassId(), kKxStringClassId);
  widgets.removeAll();
}

TEST_F(KxListTest, SortedInsertionAndBisection) {
  KxSortedList list(kKxStringClassId);
  EXPECT_EQ(list.classId(), 30003);
  auto* b = new KxString("b");
  auto* d = new KxString("d");
  auto* c1 = new KxString("c");
  auto* c2 = new KxString("c");
  list.add(b);
  list.add(d);
  list.add(c1);
  EXPECT_EQ(list.at(1), c1);
  const KxString probeD("d");
  EXPECT_EQ(list.indexOf(&probeD), 2);
  list.add(c2);
  EXPECT_EQ(list.at(1), c2) << "goes before the equal element the bisection met";
  EXPECT_EQ(list.at(2), c1);
  const KxString probeC("c");
  EXPECT_EQ(list.indexOf(&probeC), 1) << "first of the equal elements";
  const KxString missing("a");
  EXPECT_EQ(list.indexOf(&missing), -1);
  Probe wrongClass;
  EXPECT_FALSE(list.add(&wrongClass));
}

TEST_F(KxListTest, SortedListKeepsOrderForManyInsertions) {
  KxSortedList list;
  std::mt19937 rng(7);
  for (int i = 0; i < 500; ++i) {
    list.add(new Probe(static_cast<int>(rng() % 100)));
  }
  const std::vector<int> keys = keysOf(list);
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  for (int k = 0; k < 100; ++k) {
    const Probe probe(k);
    const std::int32_t index = list.indexOf(&probe);
    const auto first = std::find(keys.begin(), keys.end(), k);
    EXPECT_EQ(index, first == keys.end() ? -1 : static_cast<std::int32_t>(first - keys.begin())) << k;
  }
  EXPECT_GE(list.capacity(), 500);
}

TEST_F(KxListTest, UnsortedStateFallsBackToLinearSearch) {
  KxSortedList list;
  auto* p5 = new Probe(5);
  auto* p1 = new Probe(1);
  auto* p3 = new Probe(3);
  list.add(p5);
  EXPECT_TRUE(list.addUnsorted(p1));
  EXPECT_FALSE(list.isSorted());
  list.add(p3);
  EXPECT_EQ(keysOf(list), (std::vector<int>{5, 1, 3})) << "plain append while unsorted";
  const Probe probe(3);
  EXPECT_EQ(list.indexOf(&probe), 0) << "linear: first element of the probe's class";
  list.setSorted(true);
  EXPECT_TRUE(list.isSorted());
  EXPECT_EQ(keysOf(list), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(list.indexOf(&probe), 1);
  EXPECT_FALSE(list.addUnsorted(nullptr));
  list.setSorted(false);
  list.addUnsorted(new Probe(0));
  list.sort();
  EXPECT_EQ(keysOf(list), (std::vector<int>{0, 1, 3, 5}));
  const KxSortedList copy(list);
  EXPECT_TRUE(copy.isSorted());
  EXPECT_EQ(keysOf(copy), keysOf(list));
}

TEST_F(KxListTest, SortIsStableAmongEqualElements) {
  KxSortedList list;
  list.setSorted(false);
  std::vector<Probe*> items;
  for (int i = 0; i < 40; ++i) {
    items.push_back(new Probe(i % 3));
    list.add(items.back());
  }
  list.sort();
  std::vector<Probe*> expected;
  for (int key = 0; key < 3; ++key) {
    for (Probe* p : items) {
      if (p->key() == key) {
        expected.push_back(p);
      }
    }
  }
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(list.at(static_cast<std::int32_t>(i)), expected[i]) << i;
  }
}

TEST_F(KxListTest, FaultyOrderingNeitherHangsNorOverruns) {
  KxSortedList list;
  for (int i = 0; i < 50; ++i) {
    EXPECT_TRUE(list.add(new WildProbe(i % 7)));
  }
  const WildProbe probe(3);
  const std::int32_t index = list.indexOf(&probe);
  EXPECT_GE(index, 0) << "every answer counts as equal, so the first bisection step finds one";
  list.setSorted(false);
  list.sort();
  EXPECT_EQ(list.count(), 50);
}

} // namespace
