#include "WorldState.h"

WorldState& World() {
    return TEngine::Require("world state").Part<WorldState>();
}
