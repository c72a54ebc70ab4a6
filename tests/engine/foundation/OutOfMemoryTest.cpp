// The engine under an out-of-memory: its calls report error 9 through the
// error handler and return their failure; no exception leaves them.
#include "FailingAllocator.h"
#include "foundation/TError.h"
#include "foundation/THandlerTable.h"
#include "foundation/TMMTimer.h"

#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace {

int handled = 0;
int Handle(void*, TObject*, TEvent*) {
    ++handled;
    return 1;
}
void Tick(void*, uintptr_t) {}

int32_t NewestCode() {
    TListNode* head = TError::ShownList().Head();
    return head ? static_cast<TErrorRec*>(head->item)->code : 0;
}

class EngineOutOfMemory : public ::testing::Test {
protected:
    void SetUp() override { platform::ClockUseVirtual(true, 1000); }
    void TearDown() override { platform::ClockUseVirtual(false); }
};

TEST_F(EngineOutOfMemory, HandlerDispatchReportsErrorNine) {
    THandlerTable table;
    int target = 0;
    ASSERT_EQ(table.Add(5, &target, &Handle, 0), 1);
    TEvent event;
    event.SetType(5);
    handled = 0;
    int result = -1;
    {
        testsupport::AllocationsFail fail;
        EXPECT_NO_THROW(result = table.Dispatch(nullptr, &event));
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(handled, 0);
    EXPECT_EQ(NewestCode(), 9);
    EXPECT_EQ(table.Dispatch(nullptr, &event), 1); // memory is back
}

TEST_F(EngineOutOfMemory, TimersReportErrorNine) {
    int target = 0;
    TMMTimer* timer = nullptr;
    int started = -1;
    {
        testsupport::AllocationsFail fail;
        EXPECT_NO_THROW(timer = new TMMTimer);
        if (timer) {
            EXPECT_NO_THROW(started = timer->Start(10, 1, 0, &target, &Tick));
        }
    }
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(started, 0);
    EXPECT_FALSE(timer->Running());
    EXPECT_EQ(NewestCode(), 9);
    delete timer;

    TMMTimer working;
    {
        testsupport::AllocationsFail fail;
        EXPECT_NO_THROW(started = working.Start(10, 1, 0, &target, &Tick));
    }
    EXPECT_EQ(started, 0);
    EXPECT_EQ(NewestCode(), 9);
    EXPECT_EQ(working.Start(10, 1, 0, &target, &Tick), 1);
}

} // namespace
