#include "Rooms.h"

#include <array>
#include <sstream>

namespace demo {

namespace {

// "-1.25" as -1250; false for anything that is not a plain decimal.
bool Thousandths(const std::string& text, int64_t* out) {
    size_t i = 0;
    const bool negative = i < text.size() && text[i] == '-';
    if (negative) ++i;
    int64_t whole = 0, frac = 0, scale = 1000;
    bool digits = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, digits = true)
        whole = whole * 10 + (text[i] - '0');
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, digits = true)
            if (scale > 1) frac += (text[i] - '0') * (scale /= 10);
    if (!digits || i != text.size() || whole > 1000000) return false;
    *out = (whole * 1000 + frac) * (negative ? -1 : 1);
    return true;
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t");
    return a == std::string::npos ? "" : s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

// The literal arguments of every call of `name` in the script.
bool Calls(const std::string& script, const std::string& name, size_t count,
           std::vector<std::vector<int64_t>>* out, std::string* error) {
    const std::string head = name + "(";
    for (size_t at = script.find(head); at != std::string::npos; at = script.find(head, at + 1)) {
        const size_t close = script.find(')', at);
        std::istringstream args(script.substr(at + head.size(), close - at - head.size()));
        std::vector<int64_t> values;
        for (std::string word; std::getline(args, word, ',');) {
            int64_t v = 0;
            if (!Thousandths(Trim(word), &v)) {
                *error = name + " takes literal numbers here, so the builder can check the floor";
                return false;
            }
            values.push_back(v);
        }
        if (values.size() != count) {
            *error = name + " needs " + std::to_string(count) + " numbers";
            return false;
        }
        out->push_back(values);
    }
    return true;
}

} // namespace

bool ReadRoomView(const std::string& script, RoomView* out, std::string* error) {
    std::vector<std::vector<int64_t>> pos, rot, dist, lines;
    if (!Calls(script, "Camera.SetPosition", 3, &pos, error) ||
        !Calls(script, "Camera.SetRotation", 3, &rot, error) ||
        !Calls(script, "Camera.SetDistance", 1, &dist, error) ||
        !Calls(script, "Path.AddLine", 6, &lines, error))
        return false;
    if (pos.size() != 1 || dist.size() > 1 || rot.size() > 1 || lines.empty()) {
        *error = "a room script sets its camera once and adds way lines";
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        out->position[i] = pos[0][size_t(i)];
        out->rotation[i] = rot.empty() ? 0 : rot[0][size_t(i)];
    }
    if (out->rotation[0] || out->rotation[1] || out->rotation[2]) {
        *error = "the floor check takes a camera without rotation";
        return false;
    }
    if (!dist.empty()) out->distance = dist[0][0];
    for (const auto& l : lines) {
        out->nodes.push_back({l[0], l[1], l[2]});
        out->nodes.push_back({l[3], l[4], l[5]});
    }
    return true;
}

bool ProjectNode(const RoomView& view, const std::array<int64_t, 3>& n, int32_t* x, int32_t* y) {
    const int64_t dx = n[0] - view.position[0], dy = n[1] - view.position[1],
                  dz = n[2] - view.position[2];
    if (dz <= 0) return false;
    *x = int32_t(400 + view.distance * dx / dz / 1000);
    *y = int32_t(300 - view.distance * dy / dz / 1000);
    return true;
}

bool CheckFloor(const RoomView& view, const Canvas& background, std::string* error) {
    for (const auto& n : view.nodes) {
        int32_t x = 0, y = 0;
        // A pixel of margin: the engine projects in floating point.
        bool ok = ProjectNode(view, n, &x, &y) && x >= 1 && y >= 1 && x < 799 && y < 599;
        for (int32_t j = -1; ok && j <= 1; ++j)
            for (int32_t i = -1; ok && i <= 1; ++i)
                ok = background.At(x + i, y + j).a != 0;
        if (!ok) {
            *error = "way node (" + std::to_string(n[0]) + ", " + std::to_string(n[1]) + ", " +
                     std::to_string(n[2]) + ") thousandths does not project onto the drawn floor";
            return false;
        }
    }
    return true;
}

} // namespace demo
