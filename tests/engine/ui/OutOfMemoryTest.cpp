// The application out of memory for its capture parts: error 9 is reported
// and the application runs without capture instead of throwing.
#include "FailingAllocator.h"
#include "MemoryDesktop.h"

#include "foundation/TError.h"
#include "ui/TWinApp.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

int32_t NewestCode() {
    TListNode* head = TError::ShownList().Head();
    return head ? static_cast<TErrorRec*>(head->item)->code : 0;
}

TEST(UiOutOfMemory, ApplicationWithoutCapturePartsReportsErrorNine) {
    testsupport::UseMemoryDesktop(16);
    std::unique_ptr<TWinApp> app;
    {
        testsupport::AllocationsFail fail;
        EXPECT_NO_THROW(app.reset(new TWinApp));
    }
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(NewestCode(), 9);
    EXPECT_EQ(app->GetCaptureTimerInterval(), 0.0f);
    app.reset();
}

} // namespace
