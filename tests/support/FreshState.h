// What every test starts from: the main of the test programs builds it around
// each test (before the fixture, after it is gone), so no suite resets shared
// state by hand. The registry keeps its file in a folder of the test's own.
#pragma once

#include "TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace testsupport {

// Points $XDG_CONFIG_HOME (the registry's folder) at a fresh folder for its
// lifetime, and back afterwards.
class FreshConfigFolder {
public:
    FreshConfigFolder();
    ~FreshConfigFolder();
    FreshConfigFolder(const FreshConfigFolder&) = delete;
    FreshConfigFolder& operator=(const FreshConfigFolder&) = delete;

private:
    TempDir folder_;
    std::optional<std::string> previous_;
};

// Runs the tests with `makeState` building the fresh state around each one;
// the state lives while the returned pointer does.
struct FreshStateHolder {
    virtual ~FreshStateHolder() = default;
};
using FreshStateFactory = std::unique_ptr<FreshStateHolder> (*)();
int RunTestsWithFreshState(int argc, char** argv, FreshStateFactory makeState);

} // namespace testsupport
