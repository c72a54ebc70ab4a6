// The adapters built into the layer, chosen by name.
#pragma once

#include "platform/Adapter.h"

#include <vector>

namespace platform::adapter {

const std::vector<AdapterPersonality>& BuiltinPersonalities();

} // namespace platform::adapter
