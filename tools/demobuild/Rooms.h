// The rooms' pictures and the check that binds them to the room scripts.
#pragma once

#include "Canvas.h"

#include <array>

#include <string>
#include <vector>

namespace demo {

// What a room script tells the camera and the way network, read from its
// literal calls (numbers in thousandths).
struct RoomView {
    int64_t position[3] = {0, 0, 0};
    int64_t rotation[3] = {0, 0, 0};
    int64_t distance = 400000;
    std::vector<std::array<int64_t, 3>> nodes; // both ends of every way line
};

// Reads the calls from the script; false with a reason when one is not
// literal or the camera is turned (only a straight camera is checked).
bool ReadRoomView(const std::string& script, RoomView* out, std::string* error);
// Projects a node to the screen; false when it lies behind the camera.
bool ProjectNode(const RoomView& view, const std::array<int64_t, 3>& node, int32_t* x, int32_t* y);
// Every node on an opaque pixel of the background inside the screen.
bool CheckFloor(const RoomView& view, const Canvas& background, std::string* error);

} // namespace demo
