#include "Replay.h"

#include "platform/Clock.h"
#include "platform/MMSystem.h"
#include "platform/Sound.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <iterator>
#include <sstream>
#include <utility>

namespace testsupport {

namespace {

using platform::KeyCode;

constexpr std::pair<const char*, KeyCode> kSpecialKeys[] = {
    {"Escape", KeyCode::Escape},
    {"Return", KeyCode::Return},
    {"Space", KeyCode::Space},
    {"Tab", KeyCode::Tab},
    {"Backspace", KeyCode::Backspace},
    {"Delete", KeyCode::Delete},
    {"Left", KeyCode::Left},
    {"Right", KeyCode::Right},
    {"Up", KeyCode::Up},
    {"Down", KeyCode::Down},
    {"Home", KeyCode::Home},
    {"End", KeyCode::End},
    {"Period", KeyCode::Period},
    {"Minus", KeyCode::Minus},
    {"LeftShift", KeyCode::LeftShift},
    {"LeftAlt", KeyCode::LeftAlt},
};

// Letters, digits and F1 to F12 by their own names, then the keys above.
const std::vector<std::pair<std::string, KeyCode>>& Keys() {
    static const std::vector<std::pair<std::string, KeyCode>> keys = [] {
        std::vector<std::pair<std::string, KeyCode>> all;
        for (int i = 0; i < 26; ++i)
            all.emplace_back(std::string(1, char('A' + i)), KeyCode(int(KeyCode::A) + i));
        for (int i = 0; i < 10; ++i) // the digits' codes run 1 to 9, then 0
            all.emplace_back(std::to_string((i + 1) % 10), KeyCode(int(KeyCode::Digit1) + i));
        for (int i = 0; i < 12; ++i)
            all.emplace_back("F" + std::to_string(i + 1), KeyCode(int(KeyCode::F1) + i));
        for (const auto& [name, code] : kSpecialKeys)
            all.emplace_back(name, code);
        return all;
    }();
    return keys;
}

constexpr std::pair<const char*, ReplayStep::Kind> kVerbs[] = {
    {"move", ReplayStep::Kind::Move},         {"click", ReplayStep::Kind::Click},
    {"rclick", ReplayStep::Kind::RightClick}, {"key", ReplayStep::Kind::Key},
    {"check", ReplayStep::Kind::Check},       {"dev", ReplayStep::Kind::Dev},
    {"close", ReplayStep::Kind::Close},       {"put", ReplayStep::Kind::Put},
};

const char* const kPutKinds[] = {"version39", "cut"};

// A name of one folder entry: no separator, no drive, not "." or "..".
bool PlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\:") == std::string::npos;
}

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
            for (const auto& [name, code] : Keys())
                if (words[2] == name) {
                    step.key = code;
                    return true;
                }
            return reason = "unknown key '" + words[2] + "'", false;
        case ReplayStep::Kind::Check:
            if (words.size() != 3) return reason = "check takes a name", false;
            step.name = words[2];
            return true;
        case ReplayStep::Kind::Close:
            if (words.size() != 2) return reason = "close takes nothing", false;
            return true;
        case ReplayStep::Kind::Put:
            if (words.size() != 4) return reason = "put takes a file name and a kind", false;
            if (!PlainName(words[2])) return reason = "put takes a plain file name", false;
            if (std::find(std::begin(kPutKinds), std::end(kPutKinds), words[3]) ==
                std::end(kPutKinds))
                return reason = "unknown kind of file '" + words[3] + "'", false;
            step.name = words[2];
            step.what = words[3];
            return true;
        case ReplayStep::Kind::Dev:
            if (words.size() != 4 || !Whole(words[3], step.value))
                return reason = "dev takes a name and a number", false;
            if (step.at != 0) return reason = "dev comes at time 0", false;
            step.name = words[2];
            return true;
        default:
            step.screen = words.size() == 5 && words[4] == "screen";
            if ((words.size() != 4 && !step.screen) || !Whole(words[2], step.x) ||
                !Whole(words[3], step.y))
                return reason = words[1] + " takes X and Y, and maybe 'screen'", false;
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
    for (const auto& [name, code] : Keys())
        names.push_back(name);
    return names;
}

std::vector<std::string> PutKinds() {
    return {std::begin(kPutKinds), std::end(kPutKinds)};
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

std::string FormatCheckpoint(const ReplayCheckpoint& checkpoint) {
    char hashes[64];
    std::snprintf(hashes, sizeof hashes, " frame=%016" PRIx64 " sound=%016" PRIx64,
                  checkpoint.frame, checkpoint.sound);
    std::string line = checkpoint.name + hashes;
    if (!checkpoint.state.empty()) line += " " + checkpoint.state;
    return line;
}

std::vector<std::string> CompareCheckpoints(const std::vector<ReplayCheckpoint>& run,
                                            const std::string& golden) {
    std::vector<std::string> expected;
    std::istringstream lines(golden);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] != '#') expected.push_back(line);
    }
    std::vector<std::string> differences;
    for (size_t i = 0; i < run.size() || i < expected.size(); ++i) {
        const std::string got = i < run.size() ? FormatCheckpoint(run[i]) : "(none)";
        const std::string want = i < expected.size() ? expected[i] : "(none)";
        if (got == want) continue;
        const std::string where =
            i < run.size() ? " (line " + std::to_string(run[i].line) + ")" : std::string();
        differences.push_back("checkpoint " + std::to_string(i + 1) + where + ": got '" + got +
                              "', golden '" + want + "'");
    }
    return differences;
}

// --- The driver ------------------------------------------------------------------------

ReplayDriver::ReplayDriver(std::vector<ReplayStep> steps, ReplayTarget target)
    : steps_(std::move(steps)), target_(std::move(target)) {
    for (const ReplayStep& step : steps_)
        last_ = std::max(last_, step.at);
}

ReplayDriver::~ReplayDriver() {
    Stop();
}

bool ReplayDriver::Start() {
    // Real time would fire the steps on the timer thread, beside the loop.
    if (!platform::ClockIsVirtual() || timer_) return false;
    start_ = platform::ClockNow();
    boxesSeen_ = platform::MessageBoxLog().size();
    soundSeen_ = platform::GetSoundRecording().bytes.size();
    timer_ = timeSetEvent(kPeriodMs, 0, &ReplayDriver::OnTimer, reinterpret_cast<DWORD_PTR>(this),
                          TIME_PERIODIC);
    return timer_ != 0;
}

void ReplayDriver::Stop() {
    if (timer_) timeKillEvent(timer_);
    timer_ = 0;
}

uint32_t ReplayDriver::Elapsed() const {
    return platform::ClockNow() - start_;
}

void CALLBACK ReplayDriver::OnTimer(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    reinterpret_cast<ReplayDriver*>(user)->Tick();
}

void ReplayDriver::Tick() {
    if (stopped_) return;
    const uint32_t now = Elapsed();
    while (!stopped_ && next_ < steps_.size() && steps_[next_].at <= now)
        Play(steps_[next_++]);
    if (stopped_ || LookForErrors()) return;
    if (now > last_ + graceMs_)
        Fail("the program still ran " + std::to_string(graceMs_ / 1000) +
             " s after the last step, at " + std::to_string(last_) + " ms");
}

void ReplayDriver::Play(const ReplayStep& step) {
    const int32_t x = step.screen ? step.x : step.x + target_.originX;
    const int32_t y = step.screen ? step.y : step.y + target_.originY;
    using Button = platform::MouseButton;
    switch (step.kind) {
        case ReplayStep::Kind::Move: platform::InjectMouseMove(target_.window, x, y); break;
        case ReplayStep::Kind::Click:
        case ReplayStep::Kind::RightClick: {
            const Button button =
                step.kind == ReplayStep::Kind::Click ? Button::Left : Button::Right;
            platform::InjectMouseMove(target_.window, x, y);
            platform::InjectMouseButton(target_.window, button, true, x, y);
            platform::InjectMouseButton(target_.window, button, false, x, y);
            break;
        }
        case ReplayStep::Kind::Key:
            platform::InjectKey(step.key, true);
            platform::InjectKey(step.key, false);
            break;
        case ReplayStep::Kind::Check: TakeCheckpoint(step); break;
        case ReplayStep::Kind::Close: platform::InjectCloseButton(target_.window); break;
        case ReplayStep::Kind::Dev: break; // read by whoever starts the program
        case ReplayStep::Kind::Put: {
            std::string why = "nobody places files";
            if (!target_.put || !target_.put(step, &why))
                Fail("line " + std::to_string(step.line) + ": " + why);
            break;
        }
    }
}

void ReplayDriver::TakeCheckpoint(const ReplayStep& step) {
    ReplayCheckpoint checkpoint;
    checkpoint.name = step.name;
    checkpoint.line = step.line;
    checkpoint.at = step.at;
    platform::Frame frame = platform::PresentedFrame(target_.window);
    checkpoint.frame = HashFrame(frame);
    // The sound since the previous checkpoint: a difference shows where it began.
    const platform::SoundRecording sound = platform::GetSoundRecording();
    const size_t from = std::min(soundSeen_, sound.bytes.size());
    checkpoint.sound = HashBytes(sound.bytes.data() + from, sound.bytes.size() - from);
    soundSeen_ = sound.bytes.size();
    if (target_.state) checkpoint.state = target_.state();
    if (keepFrames_) checkpoint.picture = std::move(frame);
    checkpoints_.push_back(std::move(checkpoint));
}

bool ReplayDriver::LookForErrors() {
    const std::vector<platform::BoxRecord> boxes = platform::MessageBoxLog();
    for (; boxesSeen_ < boxes.size(); ++boxesSeen_)
        if (boxes[boxesSeen_].caption == "Script Error!") {
            const std::string& text = boxes[boxesSeen_].text;
            Fail("a \"Script Error!\" box: " + text.substr(0, text.find("\n\n")));
            return true;
        }
    const std::string report = target_.errorReport ? target_.errorReport() : std::string();
    if (report.empty()) return false;
    Fail("an error report: " + report);
    return true;
}

void ReplayDriver::Fail(const std::string& why) {
    if (failure_.empty()) failure_ = why + " (at " + std::to_string(Elapsed()) + " ms)";
    if (stopped_) return;
    stopped_ = true;
    if (target_.stop) target_.stop();
}

void ReplayDriver::Finish() {
    Stop();
    stopped_ = true; // the loop has ended: nothing left to stop
    LookForErrors();
    if (failure_.empty() && next_ < steps_.size())
        Fail("the program ended before line " + std::to_string(steps_[next_].line));
}

} // namespace testsupport
