// Deferred deletion: queue order, one entry per object, destructors that
// queue more, objects deleted meanwhile, and the holds and pins of the
// modal loop.
#include "foundation/TDeleteQueue.h"
#include "foundation/TNamedObj.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string log;

class Logged : public TNamedObj {
public:
    explicit Logged(char tag, Logged* next = nullptr) : tag_(tag), next_(next) {}
    ~Logged() override {
        log += tag_;
        DeleteLater(next_); // a destructor that queues more
    }

private:
    char tag_;
    Logged* next_;
};

class DeleteQueue : public testing::Test {
protected:
    void SetUp() override { log.clear(); }
    void TearDown() override { DrainDeleteLater(); }
};

TEST_F(DeleteQueue, DrainsInQueueOrderAndCopesWithDestructorsThatQueue) {
    auto* c = new Logged('c');
    auto* a = new Logged('a', c);
    auto* b = new Logged('b');
    const TObject* first = a; // kept for after its deletion
    DeleteLater(a);
    DeleteLater(b);
    DeleteLater(a); // already queued: one entry
    DeleteLater(nullptr);
    EXPECT_TRUE(IsQueuedForDeletion(a));
    EXPECT_EQ(log, "");
    DrainDeleteLater();
    EXPECT_EQ(log, "abc");
    EXPECT_FALSE(IsQueuedForDeletion(first));
}

TEST_F(DeleteQueue, AnObjectDeletedMeanwhileIsNotFreedAgain) {
    auto* a = new Logged('a');
    DeleteLater(a);
    delete a;
    DrainDeleteLater();
    EXPECT_EQ(log, "a");
}

// The owner deletes a queued object itself and builds a new one in the same
// block: the new object is a different one (another serial) and is queued
// and freed like any other, not taken for the dead one.
TEST_F(DeleteQueue, ANewObjectAtAQueuedDeadObjectsAddressIsQueuedToo) {
    auto* a = new Logged('a');
    void* block = a;
    DeleteLater(a);
    a->~Logged(); // the block stays allocated for the next object
    auto* b = new (block) Logged('b');
    EXPECT_FALSE(IsQueuedForDeletion(b));
    DeleteLater(b);
    EXPECT_TRUE(IsQueuedForDeletion(b));
    DrainDeleteLater();
    EXPECT_EQ(log, "ab");
}

TEST_F(DeleteQueue, HoldsDeferTheDrainAndPinsKeepTheirObject) {
    auto* a = new Logged('a');
    auto* b = new Logged('b');
    {
        TDeleteLaterHold outer;
        DeleteLater(a);
        {
            TDeleteLaterHold nested;
            DrainDeleteLater(); // a nested step: nothing goes
        }
        DrainDeleteLater();
        EXPECT_EQ(log, "");
    }
    {
        TDeleteLaterPin pin(b);
        DeleteLater(b);
        DrainDeleteLater();
        EXPECT_EQ(log, "a");
        EXPECT_TRUE(IsQueuedForDeletion(b));
    }
    DrainDeleteLater();
    EXPECT_EQ(log, "ab");
}

} // namespace
