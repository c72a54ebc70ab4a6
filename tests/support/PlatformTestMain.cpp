// The main of the platform's and the graphics library's test programs: a
// fresh platform session around every test.
#include "FreshState.h"

#include "platform/Session.h"

namespace {

struct FreshSession : testsupport::FreshStateHolder {
    platform::Session session;
};

} // namespace

int main(int argc, char** argv) {
    return testsupport::RunTestsWithFreshState(argc, argv, [] {
        return std::unique_ptr<testsupport::FreshStateHolder>(new FreshSession);
    });
}
