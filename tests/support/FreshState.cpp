#include "FreshState.h"

#include <cstdlib>

namespace testsupport {

FreshConfigFolder::FreshConfigFolder() {
    if (const char* current = std::getenv("XDG_CONFIG_HOME")) previous_ = current;
    setenv("XDG_CONFIG_HOME", folder_.Path().c_str(), 1);
}

FreshConfigFolder::~FreshConfigFolder() {
    if (previous_)
        setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

namespace {

// Windows announce themselves to other processes through a file in the
// runtime folder (the game's single-instance check). Test programs that run
// side by side must not see each other's windows, while a program a test
// starts must see its parent's: the first test program of a process tree
// makes a private folder, and its children inherit it.
class PrivateRuntimeFolder {
public:
    PrivateRuntimeFolder() {
        if (std::getenv("ADV_TEST_RUNTIME_DIR")) return;
        folder_ = std::make_unique<TempDir>();
        const std::string path = folder_->Path().string();
        setenv("ADV_TEST_RUNTIME_DIR", path.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
    }

private:
    std::unique_ptr<TempDir> folder_;
};

// Builds the state as a test starts (before its fixture) and destroys it as
// the test ends (after its fixture).
class FreshStateListener : public ::testing::EmptyTestEventListener {
public:
    explicit FreshStateListener(FreshStateFactory make) : make_(make) {}
    void OnTestStart(const ::testing::TestInfo&) override {
        config_ = std::make_unique<FreshConfigFolder>();
        state_ = make_();
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        state_.reset();
        config_.reset();
    }

private:
    FreshStateFactory make_;
    std::unique_ptr<FreshConfigFolder> config_;
    std::unique_ptr<FreshStateHolder> state_;
};

} // namespace

int RunTestsWithFreshState(int argc, char** argv, FreshStateFactory makeState) {
    const PrivateRuntimeFolder runtime;
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshStateListener(makeState));
    return RUN_ALL_TESTS();
}

} // namespace testsupport
