// Routing filters over every event type and flag combination, and a
// targeted event for nobody refused nowhere, against the rule written out
// as a predicate.
#include "foundation/TComp.h"

#include <gtest/gtest.h>

namespace {

class Taker : public TComp {
public:
    bool DefaultHandler(TObject*, TEvent*) override { return true; }
};

bool Passes(int32_t type, bool enabled, bool visible) {
    const bool input = (type >= 1 && type <= 8) || (type >= 11 && type <= 14) || type == 18;
    if (input) return enabled && visible;
    if (type == 15 || type == 30) return visible;
    if (type == 17) return enabled;
    return true;
}

TEST(TCompRules, FilterOfEveryTypeAndFlagPair) {
    for (int32_t type = 0; type < 32; ++type) {
        if (type == 25) continue; // targeted: answered by the children only
        for (int flags = 0; flags < 4; ++flags) {
            Taker n;
            n.SetFlags(~0u, false);
            n.SetFlags((flags & 1 ? TComp::kEnabled : 0) | (flags & 2 ? TComp::kVisible : 0), true);
            TEvent e;
            e.SetType(type);
            EXPECT_EQ(n.HandleEvent(nullptr, &e), Passes(type, flags & 1, flags & 2))
                << "type " << type << " flags " << flags;
        }
    }
    TComp plain;
    EXPECT_FALSE(plain.HandleEvent(nullptr, nullptr));
}

} // namespace
