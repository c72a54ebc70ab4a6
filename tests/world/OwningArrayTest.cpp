#include "OwningArray.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TRef.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// Notes its name in a shared log when it goes.
struct Item : TNamedObj {
    Item(std::string* log, char name) : log(log), name(name) {}
    ~Item() override { *log += name; }
    std::string* log;
    char name;
};

template <class Deleter>
bool AdoptItem(OwningArray<Item, Deleter>& items, std::string& log, char name) {
    auto item = std::make_unique<Item>(&log, name);
    return items.Adopt(item) && !item;
}

TEST(OwningArray, ErasedClearedAndLeftItemsGoReleasedOnesStay) {
    std::string log;
    std::unique_ptr<Item> kept;
    {
        OwningArray<Item> items;
        std::unique_ptr<Item> none;
        EXPECT_FALSE(items.Adopt(none));
        for (char name : std::string("abcde"))
            ASSERT_TRUE(AdoptItem(items, log, name));
        items.Erase(1);
        EXPECT_EQ(log, "b");
        kept.reset(items.Release(items.IndexOf(items[2]))); // d
        ASSERT_EQ(items.Count(), 3);
        EXPECT_EQ(std::string() + items[0]->name + items[1]->name + items[2]->name, "ace");
        EXPECT_EQ(items.IndexOf(kept.get()), -1);
        items.Clear();
        EXPECT_EQ(log, "bace");
        EXPECT_TRUE(items.IsEmpty());
        ASSERT_TRUE(AdoptItem(items, log, 'f'));
    }
    EXPECT_EQ(log, "bacef"); // the array's end took what it held
    kept.reset();
    EXPECT_EQ(log, "bacefd");
}

// An item of the deferred kind may be erased from inside its own handler: it
// lives on, and resolves, until the deletion queue is drained.
TEST(OwningArray, DeferredItemsLiveUntilTheQueueIsDrained) {
    std::string log;
    auto items = std::make_unique<OwningArray<Item, DeleteDeferred<Item>>>();
    ASSERT_TRUE(AdoptItem(*items, log, 'a'));
    ASSERT_TRUE(AdoptItem(*items, log, 'b'));
    const TRef<Item> a((*items)[0]), b((*items)[1]);
    items->Erase(0);
    items.reset();
    EXPECT_EQ(log, "");
    EXPECT_NE(a.Get(), nullptr);
    EXPECT_NE(b.Get(), nullptr);
    DrainDeleteLater();
    EXPECT_EQ(log, "ab");
    EXPECT_EQ(a.Get(), nullptr);
}

} // namespace
