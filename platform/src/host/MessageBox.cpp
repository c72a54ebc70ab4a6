// Message boxes: a real box where the host can show one, else the answer
// policy. Every box is logged either way.
#include "HostBackend.h"

#include <cstdio>
#include <deque>
#include <mutex>

namespace platform {
namespace {

struct BoxState {
    std::mutex mutex;
    BoxPolicy policy = BoxPolicy::FirstButton;
    std::deque<int> script;
    std::vector<BoxRecord> log;
    int beeps = 0;
};

BoxState& Boxes() {
    static BoxState* state = new BoxState;
    return *state;
}

// The button MB_DEFBUTTONn names, or the first when the box has fewer.
int DefaultButtonIndex(UINT type, size_t count) {
    size_t index = (type & MB_DEFMASK) >> 8;
    return static_cast<int>(index < count ? index : 0);
}

// The answer of the box policy, for boxes on a host that shows none.
int PolicyAnswer(BoxState& b, UINT type, const std::vector<int>& buttons) {
    if (b.policy == BoxPolicy::DefaultButton)
        return buttons[static_cast<size_t>(DefaultButtonIndex(type, buttons.size()))];
    if (b.policy == BoxPolicy::Scripted && !b.script.empty()) {
        const int scripted = b.script.front();
        b.script.pop_front();
        for (int id : buttons)
            if (id == scripted) return scripted;
    }
    return buttons.front();
}

// A box nobody saw must not end the program: Ignore where it is offered
// (Abort comes first in its row), else the button the box makes default.
int UnseenAnswer(UINT type, const std::vector<int>& buttons) {
    for (int id : buttons)
        if (id == IDIGNORE) return id;
    return buttons[static_cast<size_t>(DefaultButtonIndex(type, buttons.size()))];
}

} // namespace

// The buttons of a box type, left to right.
std::vector<int> BoxButtons(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL: return {IDOK, IDCANCEL};
        case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
        case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO: return {IDYES, IDNO};
        case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
        default: return {IDOK};
    }
}

const char* BoxButtonName(int id) {
    switch (id) {
        case IDOK: return "OK";
        case IDCANCEL: return "Cancel";
        case IDABORT: return "Abort";
        case IDRETRY: return "Retry";
        case IDIGNORE: return "Ignore";
        case IDYES: return "Yes";
        case IDNO: return "No";
        default: return "?";
    }
}

void SetMessageBoxPolicy(BoxPolicy policy) {
    std::lock_guard<std::mutex> lock(Boxes().mutex);
    Boxes().policy = policy;
}

void ScriptMessageBoxAnswers(const std::vector<int>& answers) {
    std::lock_guard<std::mutex> lock(Boxes().mutex);
    Boxes().script.assign(answers.begin(), answers.end());
    if (!answers.empty()) Boxes().policy = BoxPolicy::Scripted;
}

std::vector<BoxRecord> MessageBoxLog() {
    std::lock_guard<std::mutex> lock(Boxes().mutex);
    return Boxes().log;
}

void ClearMessageBoxLog() {
    std::lock_guard<std::mutex> lock(Boxes().mutex);
    Boxes().log.clear();
    Boxes().beeps = 0;
}

int MessageBeepCount() {
    std::lock_guard<std::mutex> lock(Boxes().mutex);
    return Boxes().beeps;
}

} // namespace platform

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    using namespace platform;
    const char* shownCaption = caption ? caption : "Error"; // Windows' caption for none
    std::vector<int> buttons = BoxButtons(type);
    int answer = kBoxByPolicy;
    Host(); // a box may be the first thing a program shows
    if (IsHostThread())
        answer = Host().ShowMessageBox(owner, text ? text : "", shownCaption, type);
    else if (CurrentHost() == HostKind::Sdl)
        answer = kBoxNotShown; // only the thread that owns the windows can show one
    BoxState& b = Boxes();
    std::lock_guard<std::mutex> lock(b.mutex);
    if (answer == kBoxNotShown) {
        answer = UnseenAnswer(type, buttons);
        std::fprintf(stderr, "%s: %s [no box could be shown; answered %s]\n", shownCaption,
                     text ? text : "", BoxButtonName(answer));
    } else if (answer < 0) {
        answer = PolicyAnswer(b, type, buttons);
    }
    b.log.push_back(BoxRecord{owner, text ? text : "", shownCaption, type, answer});
    return answer;
}

BOOL MessageBeep(UINT) {
    using namespace platform;
    {
        std::lock_guard<std::mutex> lock(Boxes().mutex);
        ++Boxes().beeps;
    }
    if (IsHostThread()) Host().Beep();
    return TRUE;
}
