#include "GameServices.h"

#include "WorldState.h"

GameServices& Game() {
    static SilentGame silent;
    GameServices* set = World().game;
    return set ? *set : silent;
}

void SetGameServices(GameServices* services) {
    World().game = services;
}
