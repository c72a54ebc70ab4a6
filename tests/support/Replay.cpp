#include "Replay.h"

#include <charconv>
#include <sstream>
#include <utility>

namespace testsupport {

namespace {

using platform::KeyCode;

constexpr std::pair<const char*, KeyCode> kKeys[] = {
    {"Escape", KeyCode::Escape}, {"Return", KeyCode::Return}, {"Space", KeyCode::Space},
    {"F1", KeyCode::F1},         {"F2", KeyCode::F2},         {"Y", KeyCode::Y},
    {"N", KeyCode::N},           {"Tab", KeyCode::Tab},
};

constexpr std::pair<const char*, ReplayStep::Kind> kVerbs[] = {
    {"move", ReplayStep::Kind::Move},         {"click", ReplayStep::Kind::Click},
    {"rclick", ReplayStep::Kind::RightClick}, {"key", ReplayStep::Kind::Key},
    {"check", ReplayStep::Kind::Check},
};

template <class T> bool Whole(const std::string& word, T& out) {
    const char* end = word.data() + word.size();
    const auto [stop, ec] = std::from_chars(word.data(), end, out);
    return ec == std::errc() && stop == end && !word.empty();
}

bool ParseLine(const std::vector<std::string>& words, ReplayStep& step, std::string& reason) {
    if (words.size() < 2) return reason = "a time and a step are needed", false;
    if (!Whole(words[0], step.at)) return reason = "bad time '" + words[0] + "'", false;
    bool known = false;
    for (const auto& [verb, kind] : kVerbs)
        if (words[1] == verb) {
            step.kind = kind;
            known = true;
        }
    if (!known) return reason = "unknown step '" + words[1] + "'", false;
    switch (step.kind) {
        case ReplayStep::Kind::Key:
            if (words.size() != 3) return reason = "key takes a name", false;
            for (const auto& [name, code] : kKeys)
                if (words[2] == name) {
                    step.key = code;
                    return true;
                }
            return reason = "unknown key '" + words[2] + "'", false;
        case ReplayStep::Kind::Check:
            if (words.size() != 3) return reason = "check takes a name", false;
            step.name = words[2];
            return true;
        default:
            if (words.size() != 4 || !Whole(words[2], step.x) || !Whole(words[3], step.y))
                return reason = words[1] + " takes X and Y", false;
            return true;
    }
}

} // namespace

bool ParseReplay(const std::string& text, std::vector<ReplayStep>* steps, std::string* error) {
    std::istringstream lines(text);
    std::string line;
    uint32_t last = 0;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream in(line);
        std::vector<std::string> words;
        for (std::string word; in >> word;)
            words.push_back(word);
        if (words.empty()) continue;
        ReplayStep step;
        step.line = number;
        std::string reason;
        if (ParseLine(words, step, reason) && step.at < last) reason = "time runs backwards";
        if (!reason.empty()) {
            if (error) *error = "line " + std::to_string(number) + ": " + reason;
            return false;
        }
        last = step.at;
        if (steps) steps->push_back(step);
    }
    return true;
}

std::vector<std::string> KeyNames() {
    std::vector<std::string> names;
    for (const auto& [name, code] : kKeys)
        names.push_back(name);
    return names;
}

uint64_t HashBytes(const void* data, size_t size, uint64_t seed) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint64_t hash = seed;
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

uint64_t HashFrame(const platform::Frame& frame) {
    const int32_t size[2] = {frame.width, frame.height};
    const uint64_t head = HashBytes(size, sizeof size);
    return HashBytes(frame.pixels.data(), frame.pixels.size() * sizeof(uint32_t), head);
}

} // namespace testsupport
