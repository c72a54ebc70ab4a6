// OpenGL over Mesa: libEGL opened at run time (the layer's one dlopen), the
// surfaceless platform's configurations as pixel formats, and contexts over
// pbuffers whose frames are read back into windows.
#include "platform/OpenGL.h"

#include "../window/WindowSurface.h"
#include "platform/Module.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

namespace {

// GL names used here (no GL header is needed for so few).
enum : uint32_t {
    kGlModelview = 0x1700,
    kGlProjection = 0x1701,
    kGlColorBufferBit = 0x4000,
    kGlPackAlignment = 0x0D05,
    kGlDrawBuffer = 0x0C01,
    kGlBgra = 0x80E1,
    kGlUnsignedByte = 0x1401,
};

struct Egl {
    bool tried = false;
    void* library = nullptr;
    EGLDisplay display = EGL_NO_DISPLAY;
    std::vector<EGLConfig> configs;
    EGLConfig chosen = nullptr;
    PFNEGLGETPROCADDRESSPROC getProc = nullptr;
    PFNEGLGETCONFIGATTRIBPROC configAttrib = nullptr;
    PFNEGLCREATECONTEXTPROC createContext = nullptr;
    PFNEGLCREATEPBUFFERSURFACEPROC createPbuffer = nullptr;
    PFNEGLMAKECURRENTPROC makeCurrent = nullptr;
    PFNEGLDESTROYCONTEXTPROC destroyContext = nullptr;
    PFNEGLDESTROYSURFACEPROC destroySurface = nullptr;
    // GL, through eglGetProcAddress.
    platform::GlEntries entries{};
    void (*viewport)(int32_t, int32_t, int32_t, int32_t) = nullptr;
    void (*matrixMode)(uint32_t) = nullptr;
    void (*loadIdentity)() = nullptr;
    void (*ortho)(double, double, double, double, double, double) = nullptr;
    void (*readPixels)(int32_t, int32_t, int32_t, int32_t, uint32_t, uint32_t, void*) = nullptr;
    void (*drawBufferGl)(uint32_t) = nullptr;
    bool entriesReady = false;
};

std::mutex& lock() {
    static std::mutex* m = new std::mutex; // contexts may go after statics
    return *m;
}

Egl& egl() {
    static Egl* e = new Egl;
    return *e;
}

template <typename F> F sym(Egl& e, const char* name) {
    return reinterpret_cast<F>(dlsym(e.library, name));
}

template <typename F> void proc(Egl& e, F* out, const char* name) {
    *out = reinterpret_cast<F>(e.getProc(name));
}

bool openDisplay(Egl& e) {
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(e.getProc("eglGetPlatformDisplayEXT"));
    auto initialize = sym<PFNEGLINITIALIZEPROC>(e, "eglInitialize");
    auto getConfigs = sym<PFNEGLGETCONFIGSPROC>(e, "eglGetConfigs");
    auto chooseConfig = sym<PFNEGLCHOOSECONFIGPROC>(e, "eglChooseConfig");
    auto bindApi = sym<PFNEGLBINDAPIPROC>(e, "eglBindAPI");
    if (!getPlatformDisplay || !initialize || !getConfigs || !chooseConfig || !bindApi)
        return false;
    e.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (e.display == EGL_NO_DISPLAY || !initialize(e.display, &major, &minor)) return false;
    EGLint count = 0;
    if (!getConfigs(e.display, nullptr, 0, &count) || count <= 0) return false;
    e.configs.resize(size_t(count));
    getConfigs(e.display, e.configs.data(), count, &count);
    e.configs.resize(size_t(count));
    const EGLint wanted[] = {EGL_SURFACE_TYPE,
                             EGL_PBUFFER_BIT,
                             EGL_RENDERABLE_TYPE,
                             EGL_OPENGL_BIT,
                             EGL_RED_SIZE,
                             8,
                             EGL_GREEN_SIZE,
                             8,
                             EGL_BLUE_SIZE,
                             8,
                             EGL_NONE};
    EGLint found = 0;
    if (!chooseConfig(e.display, wanted, &e.chosen, 1, &found) || found < 1) return false;
    return bindApi(EGL_OPENGL_API) == EGL_TRUE;
}

// Opens Mesa once a process; false when it is not there.
bool loaded() {
    Egl& e = egl();
    if (e.tried) return e.display != EGL_NO_DISPLAY;
    e.tried = true;
    e.library = dlopen("libEGL.so.1", RTLD_NOW | RTLD_LOCAL);
    if (!e.library) return false;
    e.getProc = sym<PFNEGLGETPROCADDRESSPROC>(e, "eglGetProcAddress");
    e.configAttrib = sym<PFNEGLGETCONFIGATTRIBPROC>(e, "eglGetConfigAttrib");
    e.createContext = sym<PFNEGLCREATECONTEXTPROC>(e, "eglCreateContext");
    e.createPbuffer = sym<PFNEGLCREATEPBUFFERSURFACEPROC>(e, "eglCreatePbufferSurface");
    e.makeCurrent = sym<PFNEGLMAKECURRENTPROC>(e, "eglMakeCurrent");
    e.destroyContext = sym<PFNEGLDESTROYCONTEXTPROC>(e, "eglDestroyContext");
    e.destroySurface = sym<PFNEGLDESTROYSURFACEPROC>(e, "eglDestroySurface");
    if (!e.getProc || !e.configAttrib || !e.createContext || !e.createPbuffer || !e.makeCurrent ||
        !e.destroyContext || !e.destroySurface || !openDisplay(e)) {
        e.display = EGL_NO_DISPLAY;
        return false;
    }
    return true;
}

// The pbuffer has one colour buffer: the front and back pages a mode
// asks for are both that one.
void drawBufferEntry(uint32_t) {
    Egl& e = egl();
    int32_t own = 0;
    e.entries.getIntegerv(kGlDrawBuffer, &own);
    e.drawBufferGl(uint32_t(own));
}

bool loadEntries(Egl& e) {
    if (e.entriesReady) return true;
    platform::GlEntries& g = e.entries;
    proc(e, &g.color3ub, "glColor3ub");
    proc(e, &g.getIntegerv, "glGetIntegerv");
    proc(e, &g.pixelStorei, "glPixelStorei");
    proc(e, &g.rasterPos2i, "glRasterPos2i");
    proc(e, &g.bitmap, "glBitmap");
    proc(e, &g.clearColor, "glClearColor");
    proc(e, &g.clear, "glClear");
    proc(e, &g.finish, "glFinish");
    proc(e, &e.drawBufferGl, "glDrawBuffer");
    proc(e, &e.viewport, "glViewport");
    proc(e, &e.matrixMode, "glMatrixMode");
    proc(e, &e.loadIdentity, "glLoadIdentity");
    proc(e, &e.ortho, "glOrtho");
    proc(e, &e.readPixels, "glReadPixels");
    g.drawBuffer = drawBufferEntry;
    e.entriesReady = g.color3ub && g.getIntegerv && g.pixelStorei && g.rasterPos2i && g.bitmap &&
                     g.clearColor && g.clear && g.finish && e.drawBufferGl && e.viewport &&
                     e.matrixMode && e.loadIdentity && e.ortho && e.readPixels;
    return e.entriesReady;
}

BYTE attribute(Egl& e, EGLConfig c, EGLint name) {
    EGLint v = 0;
    e.configAttrib(e.display, c, name, &v);
    return BYTE(v);
}

} // namespace

struct platform::GlContext {
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
    int width = 0, height = 0;
};

namespace platform {

GlMode CurrentGlMode() {
    const char* choice = std::getenv("ADV_GL");
    if (choice && std::strcmp(choice, "none") == 0) return GlMode::None;
    std::lock_guard guard(lock());
    if (!loaded()) return GlMode::None;
    return choice && std::strcmp(choice, "accelerated") == 0 ? GlMode::Accelerated
                                                             : GlMode::Generic;
}

GlContext* CreateGlContext(int width, int height) {
    if (width <= 0 || height <= 0 || CurrentGlMode() == GlMode::None) return nullptr;
    std::lock_guard guard(lock());
    Egl& e = egl();
    const EGLint profile[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                              EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    auto* c = new GlContext;
    c->width = width;
    c->height = height;
    c->context = e.createContext(e.display, e.chosen, EGL_NO_CONTEXT, profile);
    c->surface = e.createPbuffer(e.display, e.chosen, size);
    if (c->context == EGL_NO_CONTEXT || c->surface == EGL_NO_SURFACE ||
        !e.makeCurrent(e.display, c->surface, c->surface, c->context) || !loadEntries(e)) {
        if (c->context != EGL_NO_CONTEXT) e.destroyContext(e.display, c->context);
        if (c->surface != EGL_NO_SURFACE) e.destroySurface(e.display, c->surface);
        e.makeCurrent(e.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        delete c;
        return nullptr;
    }
    // Device coordinates: x right, y down, (x, y) the corner of pixel (x, y).
    e.viewport(0, 0, width, height);
    e.matrixMode(kGlProjection);
    e.loadIdentity();
    e.ortho(0, width, height - 1, -1, -1, 1);
    e.matrixMode(kGlModelview);
    e.loadIdentity();
    e.entries.clearColor(0, 0, 0, 1);
    e.entries.clear(kGlColorBufferBit);
    return c;
}

void DestroyGlContext(GlContext* c) {
    if (!c) return;
    std::lock_guard guard(lock());
    Egl& e = egl();
    e.makeCurrent(e.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    e.destroySurface(e.display, c->surface);
    e.destroyContext(e.display, c->context);
    delete c;
}

bool MakeGlContextCurrent(GlContext* c) {
    std::lock_guard guard(lock());
    Egl& e = egl();
    if (e.display == EGL_NO_DISPLAY) return false;
    if (!c) return e.makeCurrent(e.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    return e.makeCurrent(e.display, c->surface, c->surface, c->context) == EGL_TRUE;
}

const GlEntries* GlContextEntries() {
    std::lock_guard guard(lock());
    return egl().entriesReady ? &egl().entries : nullptr;
}

Frame ReadGlFrame(GlContext* c) {
    Frame f;
    if (!c || !MakeGlContextCurrent(c)) return f;
    Egl& e = egl();
    std::vector<uint32_t> rows(size_t(c->width) * size_t(c->height));
    e.entries.finish();
    e.entries.pixelStorei(kGlPackAlignment, 4);
    e.readPixels(0, 0, c->width, c->height, kGlBgra, kGlUnsignedByte, rows.data());
    f.width = c->width;
    f.height = c->height;
    f.pixels.resize(rows.size());
    // GL's rows go bottom up.
    for (int y = 0; y < c->height; ++y)
        for (int x = 0; x < c->width; ++x)
            f.pixels[size_t(y) * size_t(c->width) + size_t(x)] =
                rows[size_t(c->height - 1 - y) * size_t(c->width) + size_t(x)] & 0xFFFFFF;
    return f;
}

bool ShowGlFrame(GlContext* c, HWND window) {
    const Frame f = ReadGlFrame(c);
    if (f.pixels.empty()) return false;
    WindowPixels wp{};
    if (!LockWindowPixels(window, &wp)) return false;
    const int w = std::min(wp.width, f.width), h = std::min(wp.height, f.height);
    for (int y = 0; y < h; ++y)
        std::memcpy(wp.pixels + size_t(y) * size_t(wp.pitchPixels),
                    f.pixels.data() + size_t(y) * size_t(f.width), size_t(w) * 4);
    UnlockWindowPixels(window, nullptr);
    return true;
}

} // namespace platform

int WINAPI wglDescribePixelFormat(HDC, int index, UINT bytes, PIXELFORMATDESCRIPTOR* out) {
    const platform::GlMode mode = platform::CurrentGlMode();
    if (mode == platform::GlMode::None) return 0;
    std::lock_guard guard(lock());
    Egl& e = egl();
    const int count = int(e.configs.size());
    if (index < 0 || index > count) return 0;
    if (index == 0 || !out) return count;
    if (bytes < sizeof(PIXELFORMATDESCRIPTOR)) return 0;
    EGLConfig c = e.configs[size_t(index - 1)];
    PIXELFORMATDESCRIPTOR d{};
    d.nSize = sizeof(d);
    d.nVersion = 1;
    d.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_GENERIC_FORMAT |
                (mode == platform::GlMode::Accelerated ? DWORD(PFD_GENERIC_ACCELERATED) : DWORD(0));
    d.cColorBits = attribute(e, c, EGL_BUFFER_SIZE);
    d.cRedBits = attribute(e, c, EGL_RED_SIZE);
    d.cGreenBits = attribute(e, c, EGL_GREEN_SIZE);
    d.cBlueBits = attribute(e, c, EGL_BLUE_SIZE);
    d.cAlphaBits = attribute(e, c, EGL_ALPHA_SIZE);
    d.cBlueShift = 0;
    d.cGreenShift = d.cBlueBits;
    d.cRedShift = BYTE(d.cBlueBits + d.cGreenBits);
    d.cAlphaShift = BYTE(d.cRedShift + d.cRedBits);
    d.cDepthBits = attribute(e, c, EGL_DEPTH_SIZE);
    d.cStencilBits = attribute(e, c, EGL_STENCIL_SIZE);
    *out = d;
    return count;
}

int _putenv(const char* assignment) {
    if (!assignment || !std::strchr(assignment, '=')) return -1;
    const char* equals = std::strchr(assignment, '=');
    const std::string name(assignment, equals);
    return setenv(name.c_str(), equals + 1, 1) == 0 ? 0 : -1;
}

namespace platform {
extern const ModuleExport kOpenGl32Exports[];
extern const size_t kOpenGl32ExportCount;
const ModuleExport kOpenGl32Exports[] = {
    {"wglDescribePixelFormat", ExportOf(&wglDescribePixelFormat)},
};
const size_t kOpenGl32ExportCount = std::size(kOpenGl32Exports);
} // namespace platform
