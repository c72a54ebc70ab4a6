// Replays of recorded input: a script of timed steps (pointer moves, clicks,
// keys and checkpoints), read from text, one step a line:
//
//   # comment
//   TIME move X Y [screen]     TIME click X Y [screen]     TIME rclick X Y [screen]
//   TIME key NAME              TIME check NAME             TIME close
//   TIME put FILE KIND         0 dev NAME VALUE
//
// TIME is the virtual time in milliseconds from the start of the replay and
// never decreases; X and Y are world coordinates (the game's 800 x 600
// screen), or the window's with `screen`; NAME of a key is one of
// KeyNames(); `close` is the window's close button. A `dev` line (time 0 only) is a developer
// switch the game reads at its start. Every number is checked whole.
//
// The driver plays the steps through a periodic multimedia timer on the
// virtual clock: whatever runs the program's loop lets the clock move, and
// each firing injects the steps that fell due and takes the checkpoints
// (the hash of the presented frame, of the sound played since the previous
// checkpoint, and the program's state in words). A run fails on a "Script
// Error!" box, on an error report its owner sees, or when its virtual time
// passes its last step by a minute.
//
// A `put` step places a made file named FILE (a plain name) into the
// program's save folder; KIND is one of PutKinds(): "version39" (a save of
// the version before the game's), "cut" (a save that breaks off inside its
// dialogs).
#pragma once

#include "platform/Host.h"
#include "platform/Types.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct ReplayStep {
    enum class Kind { Move, Click, RightClick, Key, Check, Close, Dev, Put };
    uint32_t at = 0;
    Kind kind = Kind::Move;
    int32_t x = 0, y = 0;
    // X and Y are the window's, not the world's.
    bool screen = false;
    platform::KeyCode key = platform::KeyCode::Escape;
    // The checkpoint's name, the developer switch's or the put file's.
    std::string name;
    // The put file's kind.
    std::string what;
    // The developer switch's value.
    int32_t value = 0;
    // The script's line, from 1.
    int line = 0;
};

// The steps of `text`; false with the line and the reason in `error`.
bool ParseReplay(const std::string& text, std::vector<ReplayStep>* steps, std::string* error);
// The names a key step takes.
std::vector<std::string> KeyNames();
// The kinds of file a put step makes.
std::vector<std::string> PutKinds();
// FNV-1a, 64 bits: the frames' and sounds' hash.
uint64_t HashBytes(const void* data, size_t size, uint64_t seed = 0xcbf29ce484222325ull);
uint64_t HashFrame(const platform::Frame& frame);

struct ReplayCheckpoint {
    std::string name;
    int line = 0;
    uint32_t at = 0;
    uint64_t frame = 0;
    uint64_t sound = 0;
    std::string state;
    // The frame itself, kept when the driver is asked to.
    platform::Frame picture;
};

// One golden line: "NAME frame=HEX sound=HEX STATE".
std::string FormatCheckpoint(const ReplayCheckpoint& checkpoint);
// The lines that differ between a run and its goldens, one message each;
// empty when they agree.
std::vector<std::string> CompareCheckpoints(const std::vector<ReplayCheckpoint>& run,
                                            const std::string& golden);

// What the driver needs of the program it drives.
struct ReplayTarget {
    // Where input goes and frames come from.
    HWND window = nullptr;
    // The world's origin in the window.
    int32_t originX = 0, originY = 0;
    // The program's state at a checkpoint, in words.
    std::function<std::string()> state;
    // Non-empty when the program reported an error (its error log).
    std::function<std::string()> errorReport;
    // Ends the program's loops: the run failed or timed out.
    std::function<void()> stop;
    // Places a put step's file; false with the reason.
    std::function<bool(const ReplayStep&, std::string*)> put;
};

class ReplayDriver {
public:
    static constexpr uint32_t kPeriodMs = 10;
    // How long after its last step a run may go on before it fails.
    static constexpr uint32_t kGraceMs = 60000;

    ReplayDriver(std::vector<ReplayStep> steps, ReplayTarget target);
    ~ReplayDriver();
    ReplayDriver(const ReplayDriver&) = delete;
    ReplayDriver& operator=(const ReplayDriver&) = delete;

    void KeepFrames(bool keep) { keepFrames_ = keep; }
    // How long after its last step the run may go on.
    void SetGrace(uint32_t ms) { graceMs_ = ms; }
    // Time 0 is now; false when no timer could be set.
    bool Start();
    void Stop();
    // The last look once the program's loop ended: what it reported, and
    // steps it never reached.
    void Finish();

    const std::vector<ReplayCheckpoint>& Checkpoints() const { return checkpoints_; }
    // Why the run failed; empty while it did not.
    const std::string& Failure() const { return failure_; }
    // Virtual milliseconds since the start.
    uint32_t Elapsed() const;

private:
    static void CALLBACK OnTimer(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR);
    void Tick();
    void Play(const ReplayStep& step);
    void TakeCheckpoint(const ReplayStep& step);
    // Looks for a script error box or an error report; true when one came.
    bool LookForErrors();
    void Fail(const std::string& why);

    std::vector<ReplayStep> steps_;
    ReplayTarget target_;
    std::vector<ReplayCheckpoint> checkpoints_;
    std::string failure_;
    size_t next_ = 0;
    size_t boxesSeen_ = 0;
    size_t soundSeen_ = 0;
    uint32_t start_ = 0;
    uint32_t last_ = 0;
    uint32_t graceMs_ = kGraceMs;
    UINT timer_ = 0;
    bool keepFrames_ = false;
    bool stopped_ = false;
};

} // namespace testsupport
