// The simulated accelerator's call log, read by entry: the arguments of
// every call to one entry since the log was last cleared.
#pragma once

#include "platform/Vbeaf.h"

#include <cstdint>
#include <vector>

namespace testsupport {

using VbeafArgs = std::vector<int64_t>;

inline std::vector<VbeafArgs> VbeafCalls(uint32_t slot) {
    std::vector<VbeafArgs> out;
    for (const platform::VbeafCall& c : platform::VbeafCallLog())
        if (c.slot == slot) out.push_back(c.args);
    return out;
}

inline size_t VbeafCallCount(uint32_t slot) {
    return VbeafCalls(slot).size();
}

} // namespace testsupport
