// \\.\GDLHELP: the accelerator's helper device. It holds the personality's
// driver image, initialised once it is opened, and sets modes and text
// mode through it for a caller that does not load the driver itself.
#include "AccelInternal.h"
#include "AdapterInternal.h"

#include "platform/DeviceIo.h"
#include "platform/Vbeaf.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <strings.h>
#include <vector>

namespace platform::adapter {

namespace {

struct DeviceHandle {
    int unused = 0;
};

struct Device {
    std::vector<std::unique_ptr<DeviceHandle>> open;
    // Images handed out stay alive for the process: a caller may keep one.
    std::vector<std::unique_ptr<std::vector<uint8_t>>> images;
};

Device& D() {
    static Device* d = new Device;
    return *d;
}

std::vector<uint8_t>* currentImage() {
    return D().images.empty() ? nullptr : D().images.back().get();
}

uint32_t word(const void* in, DWORD size, int index) {
    uint32_t v = 0;
    if (in && size >= DWORD(4 * (index + 1)))
        std::memcpy(&v, static_cast<const uint8_t*>(in) + 4 * index, 4);
    return v;
}

bool putWords(void* out, DWORD outSize, DWORD* returned, std::initializer_list<uint32_t> words) {
    if (!out || outSize < 4 * words.size()) return false;
    uint8_t* at = static_cast<uint8_t*>(out);
    for (uint32_t w : words)
        std::memcpy(at, &w, 4), at += 4;
    if (returned) *returned = DWORD(4 * words.size());
    return true;
}

} // namespace

} // namespace platform::adapter

using namespace platform::adapter;

HANDLE CreateFileA(const char* name, DWORD, DWORD, void*, DWORD creation, DWORD flags, HANDLE) {
    std::lock_guard g(Lock());
    const platform::AdapterPersonality* p = Personality();
    if (!name || strcasecmp(name, "\\\\.\\GDLHELP") != 0 || !p || !p->accel.helper ||
        creation != CREATE_NEW || !(flags & FILE_FLAG_DELETE_ON_CLOSE))
        return INVALID_HANDLE_VALUE;
    Device& d = D();
    if (d.open.empty()) {
        // A fresh copy of the driver, initialised as the device loads it.
        auto image = std::make_unique<std::vector<uint8_t>>(p->accel.helperImage);
        image->resize(std::max(image->size(), size_t(platform::vbeaf::kHeaderSize)));
        platform::VbeafCallCode(image->data(), image->size(),
                                word(image->data() + platform::vbeaf::kInitEntry, 4, 0));
        d.images.push_back(std::move(image));
    }
    d.open.push_back(std::make_unique<DeviceHandle>());
    return d.open.back().get();
}

BOOL DeviceIoControl(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out,
                     DWORD outSize, DWORD* returned, void*) {
    std::vector<uint8_t>* image = nullptr;
    {
        std::lock_guard g(Lock());
        const auto& open = D().open;
        if (std::none_of(open.begin(), open.end(),
                         [&](const auto& h) { return h.get() == device; }))
            return FALSE;
        image = currentImage();
    }
    if (returned) *returned = 0;
    if (!image) return FALSE;
    switch (code) {
        case kGdlHelpVersion: return putWords(out, outSize, returned, {0x0100});
        case kGdlHelpDriver:
            return putWords(out, outSize, returned,
                            {platform::VbeafHandleOf(image->data()), uint32_t(image->size())});
        case kGdlHelpSetMode: {
            if (inSize < 28) return FALSE;
            // Pointer arguments travel as the platform's 32-bit handles.
            const auto arg = [&](int i) { return intptr_t(int32_t(word(in, inSize, i))); };
            const auto ptr = [&](int i) {
                return reinterpret_cast<intptr_t>(platform::VbeafAddressOf(word(in, inSize, i)));
            };
            const int64_t r =
                platform::VbeafCallEntry(image->data(), image->size(), platform::vbeaf::kSetMode,
                                         {arg(1), arg(2), arg(3), ptr(4), arg(5), ptr(6)});
            return putWords(out, outSize, returned, {uint32_t(r)});
        }
        case kGdlHelpTextMode:
            platform::VbeafCallEntry(image->data(), image->size(),
                                     platform::vbeaf::kRestoreTextMode, {});
            return TRUE;
        default: return FALSE;
    }
}

namespace platform {

bool CloseDeviceHandle(HANDLE handle) {
    std::lock_guard g(Lock());
    auto& open = D().open;
    const auto it =
        std::find_if(open.begin(), open.end(), [&](const auto& h) { return h.get() == handle; });
    if (it == open.end()) return false;
    open.erase(it);
    return true;
}

int OpenDeviceCount() {
    std::lock_guard g(Lock());
    return int(D().open.size());
}

} // namespace platform
