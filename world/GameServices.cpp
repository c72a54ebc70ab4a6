#include "GameServices.h"

namespace {

GameServices*& Current() {
    static GameServices* current = nullptr;
    return current;
}

} // namespace

GameServices& Game() {
    static SilentGame silent;
    GameServices* set = Current();
    return set ? *set : silent;
}

void SetGameServices(GameServices* services) {
    Current() = services;
}
