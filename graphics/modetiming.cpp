// VESA GTF timings, the VBE bank, display-start and palette calls, and the
// 1-bit image turns that text output uses for its four directions.
#include "gdl/modetiming.h"
#include "library_state.h"

#include <array>
#include <cmath>
#include <cstring>

// --- GTF ---------------------------------------------------------------------------

void Gtf_getParams(GtfParams* out) {
    *out = {1.8, 8.0, 1.0, 3.0, 8.0, 550.0, 600.0, 40.0, 128.0, 20.0};
}

int32_t Gtf_nearest(double v) {
    return int32_t(std::floor(v + 0.5));
}

namespace {

// Every intermediate is rounded to whole cells or lines exactly as the formula
// publishes it, so results match other GTF tables to the pixel.
struct GtfWork {
    GtfParams p;
    double cPrime, mPrime;
    double hPixelsRnd, vLinesRnd, topMargin, bottomMargin, sideMargin, interlace;
    double totalActive;
};

double hBlankFor(const GtfWork& w, double dutyCycle) {
    double cell2 = 2.0 * w.p.cellGranularity;
    return Gtf_nearest(w.totalActive * dutyCycle / (100.0 - dutyCycle) / cell2) * cell2;
}

} // namespace

bool Gtf_computeTimings(int32_t hPixels, int32_t vLines, double frequency, int32_t kind,
                        int32_t margins, int32_t interlace, GtfTimings* out) {
    if (!out) return false;
    std::memset(out, 0, sizeof(*out));
    if (hPixels <= 0 || vLines <= 0 || !(frequency > 0.0) || !std::isfinite(frequency))
        return false;
    GtfWork w{};
    Gtf_getParams(&w.p);
    double k = w.p.k == 0.0 ? 0.001 : w.p.k;
    w.cPrime = (w.p.c - w.p.j) * k / 256.0 + w.p.j;
    w.mPrime = k / 256.0 * w.p.m;
    const double cell = w.p.cellGranularity;
    w.hPixelsRnd = Gtf_nearest(hPixels / cell) * cell;
    w.vLinesRnd = interlace ? Gtf_nearest(vLines / 2.0) : double(vLines);
    w.topMargin = margins ? Gtf_nearest(w.p.margin / 100.0 * w.vLinesRnd) : 0.0;
    w.bottomMargin = w.topMargin;
    w.sideMargin = margins ? Gtf_nearest(w.hPixelsRnd * w.p.margin / 100.0 / cell) * cell : 0.0;
    w.interlace = interlace ? 0.5 : 0.0;
    w.totalActive = w.hPixelsRnd + 2.0 * w.sideMargin;
    const double minPorch = w.p.minPorch;
    const double vLinesAll = w.vLinesRnd + w.topMargin + w.bottomMargin;

    double hPeriod = 0, vSyncBP = 0, totalVLines = 0, vFieldRate = 0, hBlank = 0;
    double pixelFreq = 0, hFreq = 0;
    if (kind == GTF_VERTICAL_REFRESH) {
        double fieldRateRqd = interlace ? frequency * 2.0 : frequency;
        double hPeriodEst = (1.0 / fieldRateRqd - w.p.minVSyncBackPorch / 1e6) /
                            (vLinesAll + minPorch + w.interlace) * 1e6;
        if (!(hPeriodEst > 0.0)) return false;
        vSyncBP = Gtf_nearest(w.p.minVSyncBackPorch / hPeriodEst);
        totalVLines = vLinesAll + vSyncBP + w.interlace + minPorch;
        double fieldRateEst = 1.0 / hPeriodEst / totalVLines * 1e6;
        hPeriod = hPeriodEst / (fieldRateRqd / fieldRateEst);
        vFieldRate = 1.0 / hPeriod / totalVLines * 1e6;
        hBlank = hBlankFor(w, w.cPrime - w.mPrime * hPeriod / 1000.0);
        pixelFreq = (w.totalActive + hBlank) / hPeriod;
        hFreq = 1000.0 / hPeriod;
    } else if (kind == GTF_HORIZONTAL_FREQ) {
        hFreq = frequency;
        hPeriod = 1000.0 / hFreq;
        vSyncBP = Gtf_nearest(w.p.minVSyncBackPorch * hFreq / 1000.0);
        totalVLines = vLinesAll + vSyncBP + w.interlace + minPorch;
        vFieldRate = hFreq / totalVLines * 1000.0;
        hBlank = hBlankFor(w, w.cPrime - w.mPrime / hFreq);
        pixelFreq = (w.totalActive + hBlank) * hFreq / 1000.0;
    } else if (kind == GTF_PIXEL_CLOCK) {
        pixelFreq = frequency;
        double idealPeriod =
            ((w.cPrime - 100.0) + std::sqrt((100.0 - w.cPrime) * (100.0 - w.cPrime) +
                                            0.4 * w.mPrime * w.totalActive / pixelFreq)) /
            2.0 / w.mPrime * 1000.0;
        hBlank = hBlankFor(w, w.cPrime - w.mPrime * idealPeriod / 1000.0);
        hFreq = pixelFreq / (w.totalActive + hBlank) * 1000.0;
        hPeriod = 1000.0 / hFreq;
        vSyncBP = Gtf_nearest(w.p.minVSyncBackPorch * hFreq / 1000.0);
        totalVLines = vLinesAll + vSyncBP + w.interlace + minPorch;
        vFieldRate = hFreq / totalVLines * 1000.0;
    } else {
        return false;
    }
    if (!std::isfinite(hBlank) || !std::isfinite(pixelFreq) || hBlank < 0.0) return false;

    const double totalPixels = w.totalActive + hBlank;
    const double hSync = Gtf_nearest(w.p.hSyncPercent / 100.0 * totalPixels / cell) * cell;
    const double hFrontPorch = hBlank / 2.0 - hSync;

    out->hTotal = Gtf_nearest(totalPixels);
    out->hDisplayed = Gtf_nearest(w.hPixelsRnd);
    out->hSyncStart = Gtf_nearest(w.hPixelsRnd + w.sideMargin + hFrontPorch);
    out->hSyncEnd = out->hSyncStart + Gtf_nearest(hSync);
    out->hFrontPorch = out->hSyncStart - out->hDisplayed;
    out->hSyncWidth = Gtf_nearest(hSync);
    out->hBackPorch = out->hTotal - out->hSyncEnd;

    out->vTotal = Gtf_nearest(totalVLines);
    out->vDisplayed = Gtf_nearest(w.vLinesRnd);
    out->vSyncStart = Gtf_nearest(w.vLinesRnd + w.bottomMargin + minPorch);
    out->vSyncEnd = out->vSyncStart + Gtf_nearest(w.p.vSyncLines);
    out->vFrontPorch = out->vSyncStart - out->vDisplayed;
    out->vSyncWidth = Gtf_nearest(w.p.vSyncLines);
    out->vBackPorch = out->vTotal - out->vSyncEnd;

    out->hSyncPolarity = '-';
    out->vSyncPolarity = '+';
    out->interlace = interlace ? 'I' : 'N';
    out->vFrequency = interlace ? vFieldRate / 2.0 : vFieldRate;
    out->hFrequency = hFreq;
    out->pixelClock = pixelFreq;
    return true;
}

// --- VBE calls ---------------------------------------------------------------------

VbeState& Vbe_state() {
    return gdl_internal::state().vbe;
}

namespace {

void bankCall(void (*service)(VbeRegs*), int32_t window, int32_t bank) {
    if (!service) return;
    VbeRegs r{};
    r.eax = 0x4F05;
    r.ebx = uint32_t(window);
    r.edx = uint32_t(bank) << Vbe_state().granularityShift;
    service(&r);
}

// The 4F05h routines use the interrupt service; the others the BIOS's own
// protected-mode entry, which takes the same registers.
void viaInterrupt(int32_t window, int32_t bank) {
    bankCall(Vbe_state().services.int10, window, bank);
}
void viaPmEntry(int32_t window, int32_t bank) {
    bankCall(Vbe_state().services.pmSetWindow, window, bank);
}

} // namespace

void Vbe_bankWindowA(int32_t bank) {
    viaInterrupt(0, bank);
}

void Vbe_bankWindowsAB(int32_t bank) {
    viaInterrupt(0, bank);
    viaInterrupt(1, bank);
}

void Vbe_bankPmWindowA(int32_t bank) {
    viaPmEntry(0, bank);
}

void Vbe_bankPmWindowsAB(int32_t bank) {
    viaPmEntry(0, bank);
    viaPmEntry(1, bank);
}

void Vbe_switchBank(int32_t bank) {
    VbeState& s = Vbe_state();
    s.currentBank = uint8_t(bank);
    if (s.bankRoutine) s.bankRoutine(bank);
}

void Vbe_selectBank(int32_t bank) {
    Vbe_switchBank(bank);
}

namespace {

// Waits for the start of a vertical retrace (bit 3 of the input status
// register). Bounded, so that a card that never reports one cannot hang us.
void waitForRetrace(uint8_t (*inPort)(uint16_t)) {
    if (!inPort) return;
    constexpr int kLimit = 1 << 20;
    int n = 0;
    while ((inPort(0x3DA) & 8) && ++n < kLimit) {
    }
    n = 0;
    while (!(inPort(0x3DA) & 8) && ++n < kLimit) {
    }
}

} // namespace

void Vbe_setScanoutStart(uint32_t byteOffset, int32_t bitsPerPixel, int32_t bytesPerLine,
                         int32_t wait) {
    VbeState& s = Vbe_state();
    VbeRegs r{};
    r.eax = 0x4F07;
    if (s.services.pmSetDisplayStart) {
        uint32_t value = bitsPerPixel == 4 ? byteOffset : byteOffset / 4;
        r.ebx = wait ? 0x80 : 0;
        r.ecx = value & 0xFFFF;
        r.edx = value >> 16;
        r.es = s.videoSelector;
        s.services.pmSetDisplayStart(&r);
        return;
    }
    if (bytesPerLine <= 0) return;
    uint32_t row = byteOffset / uint32_t(bytesPerLine);
    uint32_t rest = byteOffset % uint32_t(bytesPerLine);
    uint32_t pixel = rest;
    switch (bitsPerPixel) {
        case 4: pixel = rest * 8; break;
        case 15:
        case 16: pixel = rest / 2; break;
        case 24: pixel = rest / 3; break;
        case 32: pixel = rest / 4; break;
        default: break;
    }
    r.ecx = pixel;
    r.edx = row;
    if (wait && s.version >= 0x0200) r.ebx = 0x80;
    if (wait && s.version < 0x0200) waitForRetrace(s.services.inPort);
    if (s.services.int10) s.services.int10(&r);
}

void Vbe_loadPalette(const void* entries, int32_t count, int32_t first, int32_t wait) {
    VbeState& s = Vbe_state();
    if (!s.services.pmSetPalette || count <= 0) return;
    VbeRegs r{};
    r.eax = 0x4F09;
    r.ebx = wait ? 0x80 : 0;
    r.ecx = uint32_t(count);
    r.edx = uint32_t(first);
    r.es = s.videoSelector;
    s.services.pmSetPalette(&r, entries);
}

// --- Monochrome rotation --------------------------------------------------------------

namespace {

constexpr std::array<uint8_t, 256> makeReverse() {
    std::array<uint8_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
        int r = 0;
        for (int i = 0; i < 8; ++i)
            if (b & (1 << i)) r |= 0x80 >> i;
        t[size_t(b)] = uint8_t(r);
    }
    return t;
}
constexpr std::array<uint8_t, 256> kReverse = makeReverse();

// Spread tables: entry [row][nibble] holds, in byte k of a 32-bit word, the
// bit of source row `row` that nibble bit (3 - k) gives: at bit 7 - row for a
// counter-clockwise turn (set 0), at bit `row` for a clockwise one (set 1).
// One table per row position serves both nibbles: the high nibble fills the
// word of destination rows 0-3, the low nibble that of rows 4-7.
using SpreadTable = std::array<std::array<std::array<uint32_t, 16>, 8>, 2>;
constexpr SpreadTable makeSpread() {
    SpreadTable t{};
    for (int set = 0; set < 2; ++set)
        for (int row = 0; row < 8; ++row)
            for (int nib = 0; nib < 16; ++nib) {
                uint32_t word = 0;
                int bit = set == 0 ? 7 - row : row;
                for (int k = 0; k < 4; ++k)
                    if (nib & (8 >> k)) word |= uint32_t(1u << bit) << (8 * k);
                t[size_t(set)][size_t(row)][size_t(nib)] = word;
            }
    return t;
}
constexpr SpreadTable kSpread = makeSpread();

} // namespace

const std::array<uint8_t, 256> Mono_bitReverse = kReverse;

void Mono_reverseCopy(uint8_t* dest, const uint8_t* src, int32_t bytesPerRow, int32_t rows) {
    if (bytesPerRow <= 0 || rows <= 0) return;
    size_t n = size_t(bytesPerRow) * size_t(rows);
    for (size_t i = 0; i < n; ++i)
        dest[n - 1 - i] = kReverse[src[i]];
}

void Mono_rotateQuarter(uint8_t* dest, const uint8_t* src, int32_t* bytesPerRow, int32_t* rows,
                        int32_t mode) {
    const int32_t bpr = *bytesPerRow, h = *rows;
    if (mode == 0) {
        Mono_reverseCopy(dest, src, bpr, h);
        return;
    }
    if ((mode != 1 && mode != 3) || bpr <= 0 || h <= 0) return;
    const int32_t outBpr = (h + 7) / 8;
    const int32_t outRows = bpr * 8;
    const bool ccw = mode == 1;
    const auto& spread = kSpread[ccw ? 0 : 1];
    // Source block (column byte bc, rows 8 br ..): its transpose is destination
    // rows 8 bc .. 8 bc + 7 at byte br. A counter-clockwise turn then flips the
    // rows, a clockwise one the columns (byte order here, bit order in the tables).
    for (int32_t br = 0; br < outBpr; ++br) {
        int32_t present = h - 8 * br < 8 ? h - 8 * br : 8;
        int32_t outByte = ccw ? br : outBpr - 1 - br;
        for (int32_t bc = 0; bc < bpr; ++bc) {
            uint32_t lo = 0, hi = 0;
            for (int32_t r = 0; r < present; ++r) {
                uint8_t b = src[size_t(8 * br + r) * size_t(bpr) + size_t(bc)];
                lo |= spread[size_t(r)][b >> 4];
                hi |= spread[size_t(r)][b & 15];
            }
            for (int32_t j = 0; j < 8; ++j) {
                uint8_t v = uint8_t((j < 4 ? lo : hi) >> (8 * (j & 3)));
                int32_t t = 8 * bc + j;
                int32_t outRow = ccw ? outRows - 1 - t : t;
                dest[size_t(outRow) * size_t(outBpr) + size_t(outByte)] = v;
            }
        }
    }
    *bytesPerRow = outBpr;
    *rows = outRows;
}
