// Wrappers that lock video memory around the software renderers. One
// template makes a wrapper for any member of the render vector: it opens the
// family's bracket, calls the routine saved at the same place of the
// family's saved vector with its own arguments and returns what that gives.
// The members wrapped are one table; a family (DirectDraw here, the
// accelerated and OpenGL families alike) gives its bracket and saved vector.
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

#include "ddraw_state.h"
#include "gdl/ddraw.h"
#include "gdl/opengl.h"
#include "gdl/vbeaf.h"

namespace {

// The bracket inline. Inside an open bracket a wrapper calls its routine
// straight away: one compare and a jump.
struct DirectDrawFamily {
    static bool open() { return gdl_internal::ddraw().lockCount >= 0; }
    static void begin() {
        if (++gdl_internal::ddraw().lockCount == 0) DDRAW_lockSurface();
    }
    static void end() {
        int32_t& count = gdl_internal::ddraw().lockCount;
        if (count >= 0 && --count == -1) DDRAW_unlockSurface();
    }
    static const GdlRenderVector& saved() { return gdl_internal::ddraw().saved; }
};

// The OpenGL family: the driver library's buffer access around each call
// (it keeps no count, so every call is outermost).
struct OpenGlFamily {
    static bool open() { return false; }
    static void begin() { GL_beginDirectAccess(); }
    static void end() { GL_endDirectAccess(); }
    static const GdlRenderVector& saved() { return gdl_internal::state().gl.saved; }
};

// The accelerated families. Plain: the accelerator finishes its queue before
// every software routine. Locked: direct access is enabled around the
// outermost call. Both keep the count shared with DirectDraw, so that an
// accelerated call inside a bracket finishes before the bracket goes on.
struct AccelPlainFamily {
    static bool open() { return false; }
    // Counted all the same, so accelerated calls inside know to finish
    // before the routine goes on.
    static void begin() {
        ++gdl_internal::ddraw().lockCount;
        ACCEL_waitIdle();
    }
    static void end() {
        int32_t& count = gdl_internal::ddraw().lockCount;
        if (count >= 0) --count;
    }
    static const GdlRenderVector& saved() { return gdl_internal::state().accel.saved; }
};

struct AccelLockedFamily {
    static bool open() { return gdl_internal::ddraw().lockCount >= 0; }
    static void begin() {
        if (++gdl_internal::ddraw().lockCount == 0) ACCEL_call(platform::vbeaf::kEnableDirect, {});
    }
    static void end() {
        int32_t& count = gdl_internal::ddraw().lockCount;
        if (count >= 0 && --count == -1) ACCEL_call(platform::vbeaf::kDisableDirect, {});
    }
    static const GdlRenderVector& saved() { return gdl_internal::state().accel.saved; }
};

template <typename Family> struct Bracket {
    Bracket() { Family::begin(); }
    ~Bracket() { Family::end(); }
    Bracket(const Bracket&) = delete;
    Bracket& operator=(const Bracket&) = delete;
};

template <typename Family, size_t Offset, typename F> struct Locked;
template <typename Family, size_t Offset, typename R, typename... A>
struct Locked<Family, Offset, R (*)(A...)> {
    using Routine = R (*)(A...);
    static constexpr int kWords = int(sizeof...(A));
    // Already locked, the count would only go up and down again around the
    // routine (whose own begins and ends are balanced): the routine is
    // called in the wrapper's place, read from the saved vector only then,
    // so the compare and a jump through memory are all the wrapper adds.
    // Outermost, the bracket locks the surface and unlocks it after the
    // routine, whose value is returned.
    static R call(A... args) {
        if (Family::open()) [[likely]]
            return saved()(args...);
        return outermost(args...);
    }
    static Routine saved() {
        Routine routine;
        std::memcpy(&routine, reinterpret_cast<const char*>(&Family::saved()) + Offset,
                    sizeof(routine));
        return routine;
    }
    [[gnu::noinline]] static R outermost(A... args) {
        Bracket<Family> bracket;
        return saved()(args...);
    }
};

struct Entry {
    size_t offset;
    void (*wrapper)(); // stored at `offset`, of the member's own type
    int words;         // the member's arguments
};

#define ADV_MEMBER_TYPE(member)                                                                    \
    std::remove_reference_t<decltype(std::declval<GdlRenderVector&>().member)>
#define ADV_LOCKED(member)                                                                         \
    Entry {                                                                                        \
        offsetof(GdlRenderVector, member),                                                         \
            reinterpret_cast<void (*)()>(&Locked<Family, offsetof(GdlRenderVector, member),        \
                                                 ADV_MEMBER_TYPE(member)>::call),                  \
            Locked<Family, offsetof(GdlRenderVector, member), ADV_MEMBER_TYPE(member)>::kWords     \
    }
#define ADV_TABLE(t)                                                                               \
    ADV_LOCKED(tables[t].line), ADV_LOCKED(tables[t].span), ADV_LOCKED(tables[t].fillRect),        \
        ADV_LOCKED(tables[t].spanList), ADV_LOCKED(tables[t].trapezoid),                           \
        ADV_LOCKED(tables[t].region), ADV_LOCKED(tables[t].ellipse),                               \
        ADV_LOCKED(tables[t].fillEllipse), ADV_LOCKED(tables[t].ellipseArc),                       \
        ADV_LOCKED(tables[t].fillEllipseArc)
#define ADV_ZSET(z)                                                                                \
    ADV_LOCKED(z.zClear), ADV_LOCKED(z.zLine), ADV_LOCKED(z.zLineMapped), ADV_LOCKED(z.zRampLine), \
        ADV_LOCKED(z.zRgbLine), ADV_LOCKED(z.zTriangle), ADV_LOCKED(z.zTriangleMapped),            \
        ADV_LOCKED(z.zRampTriangle), ADV_LOCKED(z.zRgbTriangle), ADV_LOCKED(z.zQuad),              \
        ADV_LOCKED(z.zQuadMapped), ADV_LOCKED(z.zRampQuad), ADV_LOCKED(z.zRgbQuad),                \
        ADV_LOCKED(z.zTrapezoid), ADV_LOCKED(z.zTrapezoidMapped), ADV_LOCKED(z.zRampTrapezoid),    \
        ADV_LOCKED(z.zRgbTrapezoid)

// Every member that touches pixels and does not bracket itself. Left out:
// the attribute and palette entries, the access pair itself, the row entries
// whose callers bracket them, the save-size query, the current table (a copy
// of one of the nine, refilled from them), the arc query, the z-buffer maker
// and the active depth set (a copy of one of the two).
template <typename Family> struct Members {
    static inline const Entry kAll[] = {
        ADV_LOCKED(getPixel),
        ADV_LOCKED(putPixel),
        ADV_LOCKED(putMonoImage),
        ADV_LOCKED(drawCursorImage),
        ADV_LOCKED(saveRect),
        ADV_LOCKED(restoreRect),
        ADV_LOCKED(copyToMemory),
        ADV_LOCKED(copyFromMemory),
        ADV_LOCKED(blitRowDoubled),
        ADV_LOCKED(blitZoom2),
        ADV_LOCKED(stretchBlit),
        ADV_TABLE(0),
        ADV_TABLE(1),
        ADV_TABLE(2),
        ADV_TABLE(3),
        ADV_TABLE(4),
        ADV_TABLE(5),
        ADV_TABLE(6),
        ADV_TABLE(7),
        ADV_TABLE(8),
        ADV_LOCKED(styledLine),
        ADV_LOCKED(polygon),
        ADV_LOCKED(convexPolygon),
        ADV_LOCKED(triangle),
        ADV_LOCKED(quad),
        ADV_LOCKED(putPatternPixel),
        ADV_LOCKED(translateImage),
        ADV_LOCKED(srcTransparentBlt),
        ADV_LOCKED(dstTransparentBlt),
        ADV_LOCKED(copyWithin),
        ADV_LOCKED(scanRightTo),
        ADV_LOCKED(scanLeftTo),
        ADV_LOCKED(scanRightWhile),
        ADV_LOCKED(scanLeftWhile),
        ADV_LOCKED(strokeGlyph),
        ADV_LOCKED(drawString),
        ADV_LOCKED(rampLine),
        ADV_LOCKED(rgbLine),
        ADV_LOCKED(rampTrapezoid),
        ADV_LOCKED(rgbTrapezoid),
        ADV_LOCKED(rampTriangle),
        ADV_LOCKED(rgbTriangle),
        ADV_LOCKED(rampQuad),
        ADV_LOCKED(rgbQuad),
        ADV_ZSET(z16),
        ADV_ZSET(z32),
    };
};

template <typename Family> void install(GdlRenderVector& v) {
    for (const Entry& e : Members<Family>::kAll) {
        // A member left empty by the driver (text output then uses the
        // library's own glyph routines) stays empty.
        void (*current)();
        std::memcpy(&current, reinterpret_cast<const char*>(&v) + e.offset, sizeof(current));
        if (!current) continue;
        std::memcpy(reinterpret_cast<char*>(&v) + e.offset, &e.wrapper, sizeof(e.wrapper));
    }
}

} // namespace

void DDRAW_installLockedCalls(GdlDeviceContext* dc) {
    gdl_internal::ddraw().saved = dc->v;
    install<DirectDrawFamily>(dc->v);
}

void GL_installLockedCalls(GdlDeviceContext* dc) {
    gdl_internal::state().gl.saved = dc->v;
    install<OpenGlFamily>(dc->v);
}

void ACCEL_installLockedCalls(GdlDeviceContext* dc, bool locked) {
    gdl_internal::state().accel.saved = dc->v;
    gdl_internal::state().accel.locked = locked;
    if (locked)
        install<AccelLockedFamily>(dc->v);
    else
        install<AccelPlainFamily>(dc->v);
}

void ACCEL_beginAccess() {
    if (gdl_internal::state().accel.locked)
        AccelLockedFamily::begin();
    else
        AccelPlainFamily::begin();
}

void ACCEL_endAccess() {
    if (gdl_internal::state().accel.locked)
        AccelLockedFamily::end();
    else
        AccelPlainFamily::end();
}

int32_t DRV_lockedCallCount() {
    return int32_t(std::size(Members<DirectDrawFamily>::kAll));
}

void DRV_lockedCallWords(int32_t* members, int32_t size) {
    for (const Entry& e : Members<AccelLockedFamily>::kAll)
        if (e.words >= 0 && e.words < size) ++members[e.words];
}
