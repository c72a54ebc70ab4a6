// Handler tables: order, owner defaults, and the first handler that answers.
#include "foundation/THandlerTable.h"
#include "foundation/TNamedObj.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class Widget : public virtual TObject {
public:
    int First(TObject* sender, TEvent* event) {
        calls.push_back({1, sender, event->userWord});
        return 0;
    }
    int Second(TObject* sender, TEvent* event) {
        calls.push_back({2, sender, event->userWord});
        return 1;
    }
    struct Call {
        int which;
        TObject* sender;
        uintptr_t userWord;
    };
    std::vector<Call> calls;
};

TEST(THandlerTable, NewestFirstUntilOneAnswers) {
    Widget w;
    THandlerTable table(&w);
    ASSERT_EQ((table.Add<Widget, &Widget::Second>(3, &w, 22)), 1);
    ASSERT_EQ((table.Add<Widget, &Widget::First>(3, &w, 11)), 1);
    ASSERT_EQ((table.Add<Widget, &Widget::First>(4, &w, 44)), 1);
    TEvent e;
    e.SetType(3);
    Widget sender;
    EXPECT_EQ(table.Dispatch(&sender, &e), 1);
    ASSERT_EQ(w.calls.size(), 2u);
    EXPECT_EQ(w.calls[0].which, 1);
    EXPECT_EQ(w.calls[0].userWord, 11u);
    EXPECT_EQ(w.calls[1].which, 2);
    EXPECT_EQ(w.calls[1].sender, &sender);
    EXPECT_EQ(e.userWord, 22u);

    // The newest handler answering stops the older ones.
    ASSERT_EQ((table.Add<Widget, &Widget::Second>(3, &w, 33)), 1);
    w.calls.clear();
    EXPECT_EQ(table.Dispatch(&sender, &e), 1);
    ASSERT_EQ(w.calls.size(), 1u);
    EXPECT_EQ(w.calls[0].userWord, 33u);
}

TEST(THandlerTable, RemovalTakesOnlyTheTypeAndTargetAsked) {
    Widget owner, a, b;
    THandlerTable table(&owner);
    table.Add<Widget, &Widget::First>(3, &a, 1);
    table.Add<Widget, &Widget::First>(3, &a, 2);
    table.Add<Widget, &Widget::First>(4, &a, 3);
    table.Add<Widget, &Widget::First>(3, &b, 4);
    EXPECT_TRUE(table.Has(3, &a));
    EXPECT_EQ(table.Remove(3, &a), 2);
    EXPECT_FALSE(table.Has(3, &a));
    EXPECT_EQ(table.Remove(3, &a), 0);
    TEvent e;
    for (int32_t type : {3, 4}) {
        e.SetType(type);
        table.Dispatch(nullptr, &e);
    }
    EXPECT_TRUE(a.calls.size() == 1 && a.calls[0].userWord == 3u);
    EXPECT_TRUE(b.calls.size() == 1 && b.calls[0].userWord == 4u);
    // A null target means the owner.
    table.Add<Widget, &Widget::First>(5, nullptr, 5);
    EXPECT_TRUE(table.Has(5, &owner));
    EXPECT_EQ(table.Remove(5, nullptr), 1);
}

TEST(THandlerTable, NullTargetAndSenderMeanTheOwner) {
    Widget owner;
    THandlerTable table(&owner);
    table.Add<Widget, &Widget::First>(5, nullptr, 1);
    TEvent e;
    e.SetType(5);
    EXPECT_EQ(table.Dispatch(nullptr, &e), 0); // handled by nobody
    ASSERT_EQ(owner.calls.size(), 1u);
    EXPECT_EQ(owner.calls[0].sender, static_cast<TObject*>(&owner));
    EXPECT_EQ(table.Dispatch(nullptr, nullptr), 0);
}

TEST(THandlerTable, HasAndClear) {
    Widget w;
    THandlerTable table(&w);
    EXPECT_EQ(table.Clear(), 0);
    EXPECT_EQ(table.Has(7), 0);
    table.Add(7, &w, nullptr, 0); // no handler: does not qualify
    EXPECT_EQ(table.Has(7), 0);
    table.Add<Widget, &Widget::First>(7, &w, 0);
    EXPECT_EQ(table.Has(7), 1);
    EXPECT_EQ(table.Has(8), 0);
    EXPECT_EQ(table.Clear(), 1);
    EXPECT_EQ(table.Has(7), 0);
}

TEST(THandlerTable, HandlerMayClearTheTable) {
    struct Clearing : public virtual TObject {
        THandlerTable* table = nullptr;
        int Run(TObject*, TEvent*) {
            table->Clear();
            return 0;
        }
    } c;
    THandlerTable table(&c);
    c.table = &table;
    table.Add<Clearing, &Clearing::Run>(1, &c, 0);
    table.Add<Clearing, &Clearing::Run>(1, &c, 0);
    TEvent e;
    e.SetType(1);
    EXPECT_EQ(table.Dispatch(nullptr, &e), 0);
    EXPECT_EQ(table.Has(1), 0);
}

// Named targets are checked: an entry whose target is gone does nothing,
// counts for nothing, and is dropped; an earlier handler may delete a later
// one's target in the same dispatch.
class Named : public TNamedObj {
public:
    int Take(TObject*, TEvent*) {
        ++calls;
        if (victim) {
            delete victim;
            victim = nullptr;
        }
        return 0;
    }
    int calls = 0;
    Named* victim = nullptr;
};

TEST(THandlerTable, EntriesOfDeletedTargetsDoNothing) {
    THandlerTable table;
    Named* gone = new Named;
    table.Add<Named, &Named::Take>(5, gone);
    delete gone;
    TEvent e;
    e.SetType(5);
    EXPECT_EQ(table.Has(5), 0);
    EXPECT_EQ(table.Dispatch(nullptr, &e), 0);
    // Dropped: nothing is left to remove under the old address.
    EXPECT_EQ(table.Remove(5, gone), 0);

    auto* later = new Named;
    Named first;
    table.Add<Named, &Named::Take>(6, later);  // runs second
    table.Add<Named, &Named::Take>(6, &first); // runs first and deletes `later`
    first.victim = later;
    e.SetType(6);
    EXPECT_EQ(table.Dispatch(nullptr, &e), 0);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(table.Has(6), 1);
}

} // namespace
