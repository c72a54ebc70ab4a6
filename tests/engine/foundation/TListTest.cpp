#include "foundation/TList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Item {
    int key;
    char name;
};

int32_t ByKey(void*, void* a, void* b) {
    return static_cast<Item*>(a)->key - static_cast<Item*>(b)->key;
}

std::string Walk(TList& list, int direction = 1) {
    std::string out;
    list.Rewind(direction);
    while (void* p = list.Next())
        out += static_cast<Item*>(p)->name;
    return out;
}

TEST(List, EmptyListIteratesNothing) {
    TList list;
    EXPECT_EQ(list.Rewind(1), 0);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.Insert(nullptr), 0);
}

TEST(List, BaseCompareMakesInsertAStackAndInsertFromEndAQueue) {
    Item a{0, 'a'}, b{0, 'b'}, c{0, 'c'};
    TList stack, queue;
    for (Item* i : {&a, &b, &c}) {
        EXPECT_EQ(stack.Insert(i), 1);
        EXPECT_EQ(queue.InsertFromEnd(i), 1);
    }
    EXPECT_EQ(Walk(stack), "cba");
    EXPECT_EQ(Walk(queue), "abc");
    EXPECT_EQ(Walk(queue, 0), "cba");
    EXPECT_EQ(queue.Count(), 3);
}

TEST(List, TiesGoBeforeOrAfterTheirEquals) {
    Item five{5, 'F'}, three{3, 't'}, fiveB{5, 'f'};
    int owner = 0;
    TList front, back;
    front.SetCompare(&owner, ByKey);
    back.SetCompare(&owner, ByKey);
    for (Item* i : {&five, &three, &fiveB}) {
        front.Insert(i);
        back.InsertFromEnd(i);
    }
    EXPECT_EQ(Walk(front), "tfF");
    EXPECT_EQ(Walk(back), "tFf");
}

TEST(List, LockCountRefusesChangesWhileIterating) {
    Item a{1, 'a'}, b{2, 'b'}, c{3, 'c'};
    TList list;
    list.InsertFromEnd(&a);
    list.InsertFromEnd(&b);
    list.Rewind(1);
    EXPECT_EQ(list.Next(), &a);
    TListIter saved;
    list.PushIter(saved);
    EXPECT_EQ(list.Insert(&c), 0);
    EXPECT_EQ(list.InsertFromEnd(&c), 0);
    list.Remove(&a);
    EXPECT_EQ(list.Count(), 2);
    list.Rewind(0); // the protected code may iterate itself
    EXPECT_EQ(list.Next(), &b);
    list.PopIter(saved);
    EXPECT_EQ(list.LockCount(), 0);
    EXPECT_EQ(list.Next(), &b); // back where it was
    EXPECT_EQ(list.InsertFromEnd(&c), 1);
    list.Remove(&a);
    EXPECT_EQ(Walk(list), "bc");
}

TEST(List, RemovalMovesTheIteratorOffTheNode) {
    Item a{1, 'a'}, b{2, 'b'}, c{3, 'c'};
    TList list;
    for (Item* i : {&a, &b, &c})
        list.InsertFromEnd(i);
    list.Rewind(1);
    list.Next();
    list.Next(); // iterator now on c, the tail
    list.Remove(&c);
    EXPECT_EQ(list.Next(), &b); // moved to the previous node
    list.Remove(&b);            // the item Next just returned
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(Walk(list), "a");
    list.Remove(&c); // not in the list: nothing
    EXPECT_EQ(list.Count(), 1);
}

TEST(List, SeekAndReposition) {
    Item a{1, 'a'}, b{2, 'b'}, c{3, 'c'}, stranger{0, 'x'};
    int owner = 0;
    TList list;
    list.SetCompare(&owner, ByKey);
    for (Item* i : {&a, &b, &c})
        list.Insert(i);
    list.Rewind(1);
    EXPECT_EQ(list.Seek(1), 1);
    EXPECT_EQ(list.Next(), &b);
    EXPECT_EQ(list.Seek(3), 1);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(list.Seek(4), 0);
    EXPECT_EQ(list.Seek(-1), 0);

    EXPECT_EQ(list.Reposition(&stranger, 0), 0);
    EXPECT_EQ(list.Reposition(&a, 2), 0);
    EXPECT_EQ(list.Reposition(&b, 0), 0); // already in place
    c.key = 0;
    EXPECT_EQ(list.Reposition(&c, 1), 0); // only moves towards the tail
    EXPECT_EQ(list.Reposition(&c, 0), 1);
    EXPECT_EQ(Walk(list), "cab");
    c.key = 9;
    EXPECT_EQ(list.Reposition(&c, 1), 1);
    EXPECT_EQ(Walk(list), "abc");
}

struct Tracked : TObject {
    explicit Tracked(int* alive) : alive(alive) { ++*alive; }
    ~Tracked() override { --*alive; }
    int* alive;
};

TEST(List, ObjListOwnsItsItemsAndListDoesNot) {
    int alive = 0;
    Tracked* kept[2] = {new Tracked(&alive), new Tracked(&alive)};
    {
        TList list;
        for (Tracked* t : kept)
            list.Insert(t);
    }
    EXPECT_EQ(alive, 2);
    {
        TObjList owned;
        for (Tracked* t : kept)
            owned.Insert(t);
    }
    EXPECT_EQ(alive, 0);
}

} // namespace
