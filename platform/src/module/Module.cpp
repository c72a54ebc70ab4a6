// Simulated modules: names with export tables, loaded by reference count, and
// the system's own modules whose functions callers look up by name.
#include "../host/SessionParts.h"
#include "../kernel/OutOfMemory.h"
#include "platform/Module.h"

#include "platform/Gdi.h"
#include "BuiltinModules.h"
#include "platform/Adapter.h"
#include "platform/OpenGL.h"
#include "platform/FsDirect.h"

#include <atomic>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace {

struct ModuleRecord {
    std::string name;
    const platform::ModuleExport* exports = nullptr;
    size_t count = 0;
    bool registered = false;
    bool system = false;
    int references = 0;
};

struct Registry {
    std::mutex lock;
    // Records are never freed, so a stale handle still names a record.
    std::map<std::string, std::unique_ptr<ModuleRecord>> modules;
    std::set<std::string> absentModules;
    std::set<std::pair<std::string, std::string>> absentSymbols;
    bool builtinsAdded = false;
};

Registry& GetRegistry() {
    static Registry* registry = new Registry; // usable from any static's lifetime
    return *registry;
}

std::atomic<DWORD> simulatedVersion{platform::kVersionWindows95};

// "C:\WINDOWS\SYSTEM\DDraw.DLL" and "ddraw" both become "ddraw.dll".
std::string Normalize(const char* name) {
    std::string s = name ? name : "";
    const size_t slash = s.find_last_of("\\/");
    if (slash != std::string::npos) s.erase(0, slash + 1);
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!s.empty() && s.find('.') == std::string::npos) s += ".dll";
    if (!s.empty() && s.back() == '.') s.pop_back(); // a trailing dot: no extension
    return s;
}

// What other parts of the program look up in the system's own modules.
const platform::ModuleExport kGdi32[] = {
    {"CreateDIBSection", platform::ExportOf(&CreateDIBSection)},
    {"SetDIBColorTable", platform::ExportOf(&SetDIBColorTable)},
    {"GetDIBColorTable", platform::ExportOf(&GetDIBColorTable)},
    {"BitBlt", platform::ExportOf(&BitBlt)},
    {"StretchBlt", platform::ExportOf(&StretchBlt)},
    {"CreateCompatibleDC", platform::ExportOf(&CreateCompatibleDC)},
    {"DeleteDC", platform::ExportOf(&DeleteDC)},
    {"SelectObject", platform::ExportOf(&SelectObject)},
    {"DeleteObject", platform::ExportOf(&DeleteObject)},
    {"GetDeviceCaps", platform::ExportOf(&GetDeviceCaps)},
};
const platform::ModuleExport kUser32[] = {
    {"ChangeDisplaySettingsA", platform::ExportOf(&ChangeDisplaySettingsA)},
    {"EnumDisplaySettingsA", platform::ExportOf(&EnumDisplaySettingsA)},
};
const platform::ModuleExport kKernel32[] = {
    {"GetVersion", platform::ExportOf(&GetVersion)},
    {"LoadLibraryA", platform::ExportOf(&LoadLibraryA)},
    {"FreeLibrary", platform::ExportOf(&FreeLibrary)},
    {"GetProcAddress", platform::ExportOf(&GetProcAddress)},
    {"GetModuleHandleA", platform::ExportOf(&GetModuleHandleA)},
    {"GlobalAlloc", platform::ExportOf(&GlobalAlloc)},
    {"GlobalFree", platform::ExportOf(&GlobalFree)},
};

void Add(Registry& r, const char* name, const platform::ModuleExport* exports, size_t count,
         bool system) {
    auto& slot = r.modules[Normalize(name)];
    if (!slot) {
        slot = std::make_unique<ModuleRecord>();
        slot->name = Normalize(name);
    }
    slot->exports = exports;
    slot->count = count;
    slot->registered = true;
    slot->system = system;
}

} // namespace
namespace platform {
extern const ModuleExport kWinGExports[];
extern const size_t kWinGExportCount;
extern const ModuleExport kOpenGl32Exports[];
extern const size_t kOpenGl32ExportCount;
} // namespace platform
namespace {

void EnsureBuiltins(Registry& r) {
    if (r.builtinsAdded) return;
    r.builtinsAdded = true;
    Add(r, "gdi32.dll", kGdi32, std::size(kGdi32), true);
    Add(r, "user32.dll", kUser32, std::size(kUser32), true);
    Add(r, "kernel32.dll", kKernel32, std::size(kKernel32), true);
    size_t count = 0;
    const platform::ModuleExport* dsound = platform::DirectSoundExports(&count);
    Add(r, "dsound.dll", dsound, count, false);
    Add(r, "wing32.dll", platform::kWinGExports, platform::kWinGExportCount, false);
    const platform::ModuleExport* ddraw = platform::DirectDrawExports(&count);
    Add(r, "ddraw.dll", ddraw, count, false);
    Add(r, "opengl32.dll", platform::kOpenGl32Exports, platform::kOpenGl32ExportCount, false);
    const platform::ModuleExport* fsdirect = platform::FsDirectExports(&count);
    Add(r, "fsdir_32.dll", fsdirect, count, false);
}

// The record of a module that exists now; null otherwise.
ModuleRecord* Available(Registry& r, const std::string& name) {
    EnsureBuiltins(r);
    auto it = r.modules.find(name);
    if (it == r.modules.end() || !it->second->registered || r.absentModules.count(name))
        return nullptr;
    // DirectDraw is there only with a display adapter to drive.
    if (name == "ddraw.dll" && !platform::CurrentAdapter()) return nullptr;
    // OpenGL is there with Mesa, unless ADV_GL says none.
    if (name == "opengl32.dll" && platform::CurrentGlMode() == platform::GlMode::None)
        return nullptr;
    // So is the full-screen support library (unless a test gave one of its own).
    size_t count = 0;
    if (name == "fsdir_32.dll" && it->second->exports == platform::FsDirectExports(&count) &&
        !platform::CurrentAdapter())
        return nullptr;
    return it->second.get();
}

ModuleRecord* FromHandle(Registry& r, HMODULE handle) {
    for (auto& [name, record] : r.modules)
        if (reinterpret_cast<HMODULE>(record.get()) == handle) return record.get();
    return nullptr;
}

struct ProgramModule {
    char tag;
};
ProgramModule program;

} // namespace

DWORD GetVersion() {
    return simulatedVersion.load();
}

HMODULE LoadLibraryA(LPCSTR name) {
    return platform::OrOutOfMemory<HMODULE>(nullptr, [&]() -> HMODULE {
        Registry& r = GetRegistry();
        std::lock_guard guard(r.lock);
        ModuleRecord* m = Available(r, Normalize(name));
        if (!m) return nullptr;
        ++m->references;
        return reinterpret_cast<HMODULE>(m);
    });
}

BOOL FreeLibrary(HMODULE module) {
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    ModuleRecord* m = FromHandle(r, module);
    if (!m || (m->references == 0 && !m->system)) return FALSE;
    if (m->references > 0) --m->references;
    return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    return platform::OrOutOfMemory<FARPROC>(nullptr, [&]() -> FARPROC {
        // Names below 0x10000 are ordinals, which no simulated module exports.
        if (!name || reinterpret_cast<uintptr_t>(name) < 0x10000) return nullptr;
        Registry& r = GetRegistry();
        std::lock_guard guard(r.lock);
        ModuleRecord* m = FromHandle(r, module);
        if (!m || !Available(r, m->name)) return nullptr;
        if (r.absentSymbols.count({m->name, name})) return nullptr;
        for (size_t i = 0; i < m->count; ++i)
            if (m->exports[i].name && std::strcmp(m->exports[i].name, name) == 0)
                return m->exports[i].proc;
        return nullptr;
    });
}

HMODULE GetModuleHandleA(LPCSTR name) {
    if (!name) return platform::ProgramInstance();
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    ModuleRecord* m = Available(r, Normalize(name));
    if (!m || (!m->system && m->references == 0)) return nullptr;
    return reinterpret_cast<HMODULE>(m);
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
    static const char kFolder[] = "C:\\WINDOWS\\SYSTEM";
    const UINT length = UINT(sizeof(kFolder) - 1);
    if (!buffer || size <= length) return length + 1;
    std::memcpy(buffer, kFolder, sizeof(kFolder));
    return length;
}

namespace platform {

bool ModuleExists(const char* name) {
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    return Available(r, Normalize(name)) != nullptr;
}

void SetSimulatedVersion(DWORD version) {
    simulatedVersion.store(version);
}

void RegisterModule(const char* name, const ModuleExport* exports, size_t count,
                    bool systemModule) {
    if (!name || !*name) return;
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    EnsureBuiltins(r);
    Add(r, name, exports, count, systemModule);
}

void UnregisterModule(const char* name) {
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    auto it = r.modules.find(Normalize(name));
    if (it == r.modules.end()) return;
    it->second->registered = false;
    it->second->exports = nullptr;
    it->second->count = 0;
    it->second->references = 0;
}

void SetModuleAbsent(const char* module, bool absent) {
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    if (absent)
        r.absentModules.insert(Normalize(module));
    else
        r.absentModules.erase(Normalize(module));
}

void SetSymbolAbsent(const char* module, const char* symbol, bool absent) {
    if (!symbol) return;
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    auto key = std::make_pair(Normalize(module), std::string(symbol));
    if (absent)
        r.absentSymbols.insert(key);
    else
        r.absentSymbols.erase(key);
}

void ResetModuleOverrides() {
    Registry& r = GetRegistry();
    std::lock_guard guard(r.lock);
    r.absentModules.clear();
    r.absentSymbols.clear();
}

HINSTANCE ProgramInstance() {
    return reinterpret_cast<HINSTANCE>(&program);
}

} // namespace platform
