// The six packed-pixel drivers: static headers, init and destroy entries and
// the reference-counted shared state of each. They have no hardware and no
// modes; memory contexts are bound to them by depth.
#include <cstring>

#include "gdl/memory.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/render.h"
#include "gdl/result.h"
#include "gdl/shading.h"
#include "library_state.h"
#include "render_packed.h"

namespace {

enum Family { k1, k4, k8, k16, k24, k32, kFamilies };

struct Layout {
    int32_t red, green, blue;
};

struct FamilyInfo {
    int32_t bits;
    uint32_t maxColor;
    const Layout* layouts; // null: any layout
    int32_t layoutCount;
    GdlDriverDestroyFunc destroy;
    void (*fillVectors)(GdlDeviceContext*);
};

const Layout k555[] = {{10, 5, 0}};
const Layout k565[] = {{11, 5, 0}};
const Layout k24Layouts[] = {{16, 8, 0}, {0, 8, 16}};
const Layout k32Layouts[] = {{16, 8, 0}, {0, 8, 16}, {24, 16, 8}, {8, 16, 24}};

GdlDriverState*& sharedState(int f) {
    return gdl_internal::state().packedStates[f];
}

void destroyFamily(Family f, GdlDeviceContext* dc);

const FamilyInfo kFamily[kFamilies] = {
    {1, 1, nullptr, 0, PACK1_destroy, PACK1_fillVectors},
    {4, 15, nullptr, 0, PACK4_destroy, PACK4_fillVectors},
    {8, 255, nullptr, 0, PACK8_destroy, PACK8_setupVectors},
    {16, 65535, k565, 1, PACK16_destroy, PACK16_setupVectors},
    {24, 0xFFFFFF, k24Layouts, 2, PACK24_destroy, PACK24_setupVectors},
    {32, 0xFFFFFFFF, k32Layouts, 4, PACK32_destroy, PACK32_setupVectors},
};

Family familyOf(int32_t bits) {
    switch (bits) {
        case 1: return k1;
        case 4: return k4;
        case 8: return k8;
        case 15:
        case 16: return k16;
        case 24: return k24;
        case 32: return k32;
        default: return kFamilies;
    }
}

const GdlPaletteEntry* noDefaultPalette() {
    return nullptr;
}

bool layoutAccepted(const FamilyInfo& info, GdlDeviceContext* dc) {
    if (!info.layouts) return true;
    const int32_t bits = int32_t(dc->mode.bitsPerPixel);
    // A context made without a pixel format gets the depth's standard one.
    const GdlPixelFormat& f = dc->format;
    if (!(f.redMask | f.greenMask | f.blueMask)) dc->format = *gdl_packed::standardFormatOf(bits);
    const Layout* layouts = info.layouts;
    int32_t count = info.layoutCount;
    if (bits == 15) layouts = k555, count = 1;
    for (int32_t i = 0; i < count; ++i)
        if (layouts[i].red == f.redPosition && layouts[i].green == f.greenPosition &&
            layouts[i].blue == f.bluePosition)
            return true;
    return false;
}

uint32_t bytesPerLineFor(int32_t bits, uint32_t width) {
    uint64_t bytes;
    switch (bits) {
        case 1: bytes = (uint64_t(width) + 7) / 8 + 3; break;
        case 4: bytes = (uint64_t(width) + 1) / 2 + 3; break;
        case 8: bytes = uint64_t(width) + 3; break;
        case 15:
        case 16: bytes = 2 * uint64_t(width) + 3; break;
        case 24: bytes = 3 * uint64_t(width) + 3; break;
        default: return uint32_t(4 * uint64_t(width));
    }
    return uint32_t(bytes & ~uint64_t(3));
}

int32_t initFamily(Family f, GdlDeviceContext* dc) {
    if (!dc || f == kFamilies) {
        GDL_setResult(GDL_INVALID_PIXEL_FORMAT);
        return 0;
    }
    const FamilyInfo& info = kFamily[f];
    if (!layoutAccepted(info, dc)) {
        GDL_setResult(GDL_INVALID_PIXEL_FORMAT);
        return 0;
    }
    if (!sharedState(f)) {
        sharedState(f) = static_cast<GdlDriverState*>(GDL_calloc(1, sizeof(GdlDriverState)));
        if (!sharedState(f)) {
            GDL_setResult(GDL_NO_MEMORY);
            return 0;
        }
    }
    sharedState(f)->destroy = info.destroy;
    sharedState(f)->refCount++;
    dc->driverState = sharedState(f);
    const int32_t bits = int32_t(dc->mode.bitsPerPixel);
    dc->type = GDL_DC_MEMORY;
    dc->mode.planes = 1;
    dc->mode.maxColor = bits == 15 ? 32767 : info.maxColor;
    dc->mode.maxPage = 0;
    dc->mode.aspectRatio = 1000;
    info.fillVectors(dc);
    if (bits >= 8) {
        dc->v.getWinDC = DRV_getMemDC;
        dc->v.defaultPalette = noDefaultPalette;
    } else {
        dc->v.getWinDC = GDL_returnZero;
        dc->v.defaultPalette = noDefaultPalette;
    }
    if (dc->surface) {
        dc->flags |= GDL_FLAG_NOT_OWNED;
        return 1;
    }
    dc->mode.bytesPerLine = bytesPerLineFor(bits, dc->mode.maxX + 1);
    return GDL_createDIBSurface(dc) ? 1 : 0;
}

void destroyFamily(Family f, GdlDeviceContext* dc) {
    DRV_freeZBuffer(dc); // leaves a z-buffer the context does not own
    GdlDriverState* state = dc->driverState;
    if (state && --state->refCount <= 0) {
        if (state != sharedState(f)) GDL_fatalError("Internal error: dc->v != g_state!\n");
        GDL_free(state);
        sharedState(f) = nullptr;
    }
    dc->driverState = nullptr;
    GDL_destroyDIBSurface(dc);
}

int32_t headerInit(GdlDeviceContext* dc, int32_t, int32_t, HWND, int32_t, int32_t, int32_t, int32_t,
                   int32_t) {
    return initFamily(familyOf(dc ? int32_t(dc->mode.bitsPerPixel) : 0), dc);
}

GdlDriverHeader makeHeader(const char* file, const char* name) {
    GdlDriverHeader h{};
    std::memcpy(h.signature, GDL_driverSignature, sizeof(h.signature));
    std::strncpy(h.fileName, file, sizeof(h.fileName) - 1);
    std::strncpy(h.driverName, name, sizeof(h.driverName) - 1);
    std::strncpy(h.banner, "Packed pixel memory driver", sizeof(h.banner) - 1);
    h.majorVersion = 2;
    h.minorVersion = 0;
    h.driverType = GDL_TYPE_NONE;
    h.init = headerInit;
    return h;
}

const GdlDriverHeader* headers() {
    static const GdlDriverHeader table[kFamilies] = {
        makeHeader("PACK1.DRV", "PACK1"),   makeHeader("PACK4.DRV", "PACK4"),
        makeHeader("PACK8.DRV", "PACK8"),   makeHeader("PACK16.DRV", "PACK16"),
        makeHeader("PACK24.DRV", "PACK24"), makeHeader("PACK32.DRV", "PACK32"),
    };
    return table;
}

} // namespace

// The named entries of each driver forward to the family routines.
#define GDL_PACKED_ENTRIES(n, family)                                                              \
    int32_t PACK##n##_init(GdlDeviceContext* dc) {                                                 \
        return initFamily(family, dc);                                                             \
    }                                                                                              \
    void PACK##n##_destroy(GdlDeviceContext* dc) {                                                 \
        destroyFamily(family, dc);                                                                 \
    }
GDL_PACKED_ENTRIES(1, k1)
GDL_PACKED_ENTRIES(4, k4)
GDL_PACKED_ENTRIES(8, k8)
GDL_PACKED_ENTRIES(16, k16)
GDL_PACKED_ENTRIES(24, k24)
GDL_PACKED_ENTRIES(32, k32)
#undef GDL_PACKED_ENTRIES

const GdlDriverHeader* PACK_driverHeader(int32_t bits) {
    Family f = familyOf(bits);
    return f == kFamilies ? nullptr : &headers()[f];
}

void PACK_registerDrivers() {
    static const int32_t kBits[kFamilies] = {1, 4, 8, 16, 24, 32};
    for (int32_t bits : kBits)
        GDL_setMemoryDriverHeader(bits, PACK_driverHeader(bits));
    GDL_registerAllMemDrivers();
}

const GdlDriverState* PACK_driverState(int32_t bits) {
    Family f = familyOf(bits);
    return f == kFamilies ? nullptr : sharedState(f);
}
