#include "update/xml/RefObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexrem::xml {
namespace {

struct Probe final : TRefObject {
    explicit Probe(std::vector<std::string>* log, std::string name = "p")
        : log_(log), name_(std::move(name)) {}
    TRef<Probe> next; // lets a test build long chains

private:
    ~Probe() override {
        log_->push_back(name_ + ":destroy@" + std::to_string(RefCount()));
        // A reference taken and dropped while dying must not destroy it twice.
        AddRef();
        Release();
    }
    std::vector<std::string>* log_;
    std::string name_;
};

TEST(RefCounting, CountStartsAtZeroAndFollowsReferences) {
    std::vector<std::string> log;
    TRef<Probe> a = MakeRef<Probe>(&log);
    EXPECT_EQ(a->RefCount(), 1);
    {
        TRef<Probe> b = a;
        EXPECT_EQ(a->RefCount(), 2);
        b = a; // the same object: no change
        EXPECT_EQ(a->RefCount(), 2);
    }
    EXPECT_EQ(a->RefCount(), 1);
    EXPECT_TRUE(log.empty());
    a.Clear();
    EXPECT_FALSE(a);
    EXPECT_EQ(log, (std::vector<std::string>{"p:destroy@1"}));
}

TEST(RefCounting, AssignDropsOldAndTakesNew) {
    std::vector<std::string> log;
    TRef<Probe> r = MakeRef<Probe>(&log, "old");
    TRef<Probe> other = MakeRef<Probe>(&log, "new");
    r = other;
    EXPECT_EQ(other->RefCount(), 2);
    EXPECT_EQ(log, (std::vector<std::string>{"old:destroy@1"}));
}

TEST(RefCounting, AssignTakesNewBeforeDroppingOldOwnerOfIt) {
    std::vector<std::string> log;
    TRef<Probe> r = MakeRef<Probe>(&log, "owner");
    r->next = MakeRef<Probe>(&log, "owned");
    r.Assign(r->next.Get()); // only the old object keeps the new one alive
    ASSERT_TRUE(r);
    EXPECT_EQ(r->RefCount(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"owner:destroy@1"}));
}

TEST(RefCounting, ClearDropsOnlyItsOwnReference) {
    std::vector<std::string> log;
    TRef<Probe> kept = MakeRef<Probe>(&log);
    TRef<Probe> other = kept;
    other.Clear(); // another reference remains: nothing destroyed
    EXPECT_FALSE(other);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(kept->RefCount(), 1);
    other.Clear(); // already empty: no change
    EXPECT_EQ(kept->RefCount(), 1);
}

TEST(RefCounting, LongChainIsFreedWithoutRecursion) {
    std::vector<std::string> log;
    TRef<Probe> head = MakeRef<Probe>(&log, "n");
    Probe* tail = head.Get();
    for (int i = 0; i < 300000; ++i) {
        tail->next = MakeRef<Probe>(&log, "n");
        tail = tail->next.Get();
    }
    head.Clear();
    EXPECT_EQ(log.size(), 300001u);
}

// ---- TXList -----------------------------------------------------------------

struct Entry {
    int id;
};

class RecordingList final : public TXList<Entry> {
public:
    explicit RecordingList(std::vector<std::string>* log) : log_(log) {}
    ~RecordingList() override { Clear(); }

protected:
    void Added(Entry* item) override { log_->push_back("added " + std::to_string(item->id)); }
    void Removed(Entry* item) override {
        log_->push_back("removed " + (item ? std::to_string(item->id) : "null"));
    }
    void DisposeItem(Entry* item) override {
        log_->push_back("dispose " + std::to_string(item->id));
    }

private:
    std::vector<std::string>* log_;
};

TEST(ListHooks, InsertExtractAndClearCallHooksInOrder) {
    std::vector<std::string> log;
    Entry a{1}, b{2}, c{3};
    {
        RecordingList list(&log);
        list.Add(&a);
        list.Add(nullptr); // no hook for an empty pointer
        list.Insert(0, &b);
        list.Add(&c);
        EXPECT_EQ(list.Count(), 4);
        EXPECT_EQ(list.IndexOf(&a), 1);
        EXPECT_EQ(list.Item(0), &b);

        log.clear();
        EXPECT_EQ(list.Extract(1), &a); // Removed only
        EXPECT_EQ(log, (std::vector<std::string>{"removed 1"}));
        log.clear();
        EXPECT_EQ(list.Extract(1), nullptr); // the empty pointer still reports its removal
        EXPECT_EQ(log, (std::vector<std::string>{"removed null"}));
        log.clear();
    } // destruction clears: last to first, Removed then DisposeItem
    EXPECT_EQ(log, (std::vector<std::string>{"removed 3", "dispose 3", "removed 2", "dispose 2"}));
}

TEST(ListHooks, AddReportsAndRejectsBadIndex) {
    std::vector<std::string> log;
    Entry a{1};
    RecordingList list(&log);
    EXPECT_EQ(list.Add(&a), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"added 1"}));
    EXPECT_THROW(list.Insert(5, &a), std::out_of_range);
    EXPECT_THROW(list.Extract(1), std::out_of_range);
    list.Extract(0);
}

TEST(ListHooks, RefObjectListHoldsCountedReferences) {
    std::vector<std::string> log;
    TRef<Probe> a = MakeRef<Probe>(&log, "a");
    TRef<Probe> b = MakeRef<Probe>(&log, "b");
    {
        TRefObjectList list;
        list.Add(a.Get());
        list.Add(b.Get());
        EXPECT_EQ(a->RefCount(), 2);
        b.Clear(); // the list keeps b alive
        EXPECT_TRUE(log.empty());
        list.Extract(0); // drops the list's reference to a
        EXPECT_EQ(a->RefCount(), 1);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"b:destroy@1"}));
}

} // namespace
} // namespace vexrem::xml
