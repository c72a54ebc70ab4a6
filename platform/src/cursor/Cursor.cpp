// Cursor and icon handles. Every cursor the program can load is shared, as
// resource cursors are on Windows: loading twice gives the same handle and
// DestroyCursor leaves it alive.
#include "../kernel/OutOfMemory.h"
#include "Cursor.h"

#include "../host/HostBackend.h"
#include "../window/UserState.h"

#include <map>
#include <memory>
#include <mutex>

using platform::CursorImage;

namespace {

struct CursorTable {
    std::mutex mutex;
    std::map<uintptr_t, std::unique_ptr<CursorImage>> images;
    std::map<std::string, uintptr_t> byKey;
    uintptr_t next = 0x20010;
    uintptr_t current = 0;
    int showCount = 0; // a mouse is present: shown from the start
    bool hostDirty = true;
};

CursorTable& Table() {
    static CursorTable* table = new CursorTable; // used until the very end
    return *table;
}

uintptr_t Load(const std::string& key, bool (*draw)(const std::string&, int, CursorImage*),
               const std::string& name, int id) {
    CursorTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.byKey.find(key);
    if (it != t.byKey.end()) return it->second;
    auto img = std::make_unique<CursorImage>();
    if (!draw(name, id, img.get())) return 0;
    uintptr_t h = t.next;
    t.next += 4;
    t.images[h] = std::move(img);
    t.byKey[key] = h;
    return h;
}

bool DrawNamed(const std::string& name, int, CursorImage* out) {
    return platform::DrawProgramImage(name, out);
}
bool DrawCursorId(const std::string&, int id, CursorImage* out) {
    return platform::DrawSystemCursor(id, out);
}
bool DrawIconId(const std::string&, int id, CursorImage* out) {
    return platform::DrawSystemIcon(id, out);
}

std::string Upper(const char* s) {
    std::string out;
    for (; *s; ++s)
        out += static_cast<char>((*s >= 'a' && *s <= 'z') ? *s - 32 : *s);
    return out;
}

uintptr_t LoadImage(HINSTANCE instance, LPCSTR name, bool icon) {
    if (!name) return 0;
    if (IS_INTRESOURCE(name)) {
        // Numbered images exist only as the system's own.
        if (instance) return 0;
        int id = static_cast<int>(reinterpret_cast<uintptr_t>(name));
        return icon ? Load("icon#" + std::to_string(id), DrawIconId, "", id)
                    : Load("cursor#" + std::to_string(id), DrawCursorId, "", id);
    }
    std::string upper = Upper(name);
    bool isIcon = upper.rfind("ICO", 0) == 0;
    if (isIcon != icon) return 0;
    return Load(upper, DrawNamed, upper, 0);
}

} // namespace

namespace platform {

void ApplyCursorToHost() {
    CursorTable& t = Table();
    const CursorImage* show = nullptr;
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        if (!IsHostThread()) {
            t.hostDirty = true;
            return;
        }
        if (!t.hostDirty) return;
        t.hostDirty = false;
        if (t.showCount >= 0 && t.current) {
            auto it = t.images.find(t.current);
            if (it != t.images.end()) show = it->second.get();
        }
    }
    // Images are never freed, so the pointer stays good outside the lock.
    Host().ShowCursorImage(show);
}

const CursorImage* IconImage(HICON icon) {
    CursorTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.images.find(reinterpret_cast<uintptr_t>(icon));
    return it == t.images.end() ? nullptr : it->second.get();
}

void ResetCursorState() {
    CursorTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.current = 0;
    t.showCount = 0;
    t.hostDirty = true;
}

} // namespace platform

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    return platform::OrOutOfMemory<HCURSOR>(nullptr, [&]() -> HCURSOR {
        return reinterpret_cast<HCURSOR>(LoadImage(instance, name, false));
    });
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    return platform::OrOutOfMemory<HICON>(nullptr, [&]() -> HICON {
        return reinterpret_cast<HICON>(LoadImage(instance, name, true));
    });
}

HCURSOR SetCursor(HCURSOR cursor) {
    CursorTable& t = Table();
    uintptr_t old;
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        old = t.current;
        uintptr_t h = reinterpret_cast<uintptr_t>(cursor);
        if (h && !t.images.count(h)) return reinterpret_cast<HCURSOR>(old);
        if (h != old) t.hostDirty = true;
        t.current = h;
    }
    platform::ApplyCursorToHost();
    return reinterpret_cast<HCURSOR>(old);
}

HCURSOR GetCursor() {
    CursorTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    return reinterpret_cast<HCURSOR>(t.current);
}

int ShowCursor(BOOL show) {
    CursorTable& t = Table();
    int count;
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        count = (t.showCount += show ? 1 : -1);
        if ((show && count == 0) || (!show && count == -1)) t.hostDirty = true;
    }
    platform::ApplyCursorToHost();
    return count;
}

BOOL DestroyCursor(HCURSOR cursor) {
    CursorTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.images.count(reinterpret_cast<uintptr_t>(cursor)) ? TRUE : FALSE;
}
