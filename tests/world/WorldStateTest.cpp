// The world's shared state belongs to the engine: what one engine's world
// set is gone in the next one, and the random generator starts over.
#include "GameServices.h"
#include "RoomGlobals.h"
#include "WorldRandom.h"

#include "ui/TEngine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int32_t> FirstNumbers() {
    std::vector<int32_t> numbers;
    for (int i = 0; i < 4; ++i)
        numbers.push_back(WorldRand());
    return numbers;
}

TEST(WorldStateTest, EachEngineStartsFromTheDefaults) {
    SilentGame game;
    std::vector<int32_t> first;
    for (int run = 0; run < 2; ++run) {
        TEngine engine;
        EXPECT_EQ(CurrentRoom(), nullptr);
        EXPECT_EQ(InputLocked(), 0);
        EXPECT_EQ(OrderDirty(), 0);
        EXPECT_EQ(Display555(), 0);
        EXPECT_EQ(ObjectBrightness(), 1.0f);
        EXPECT_NE(&Game(), &game);
        const std::vector<int32_t> numbers = FirstNumbers();
        if (run == 0) first = numbers;
        EXPECT_EQ(numbers, first);
        InputLocked() = 1;
        OrderDirty() = 1;
        Display555() = 1;
        ObjectBrightness() = 0.25f;
        WorldSeed(77);
        SetGameServices(&game);
        EXPECT_EQ(&Game(), &game);
    }
}

} // namespace
