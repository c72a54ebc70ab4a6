// The main of the engine's, the world's and the tools' test programs: a fresh
// engine (with its platform session) around every test.
#include "FreshState.h"

#include "ui/TEngine.h"

namespace {

struct FreshEngine : testsupport::FreshStateHolder {
    TEngine engine;
};

} // namespace

int main(int argc, char** argv) {
    return testsupport::RunTestsWithFreshState(
        argc, argv, [] { return std::unique_ptr<testsupport::FreshStateHolder>(new FreshEngine); });
}
