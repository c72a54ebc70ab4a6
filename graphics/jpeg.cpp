// The JPEG reader, driving the system's libjpeg (6b interface). Compressed data
// come through the library's file hooks; fatal libjpeg errors jump back here
// and become "Invalid bitmap file". libjpeg's own memory manager stays in
// place: a shared libjpeg offers no way to replace it.
#include "bitmap_internal.h"

#include "gdl/memory.h"
#include "gdl/result.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
// jpeglib.h needs <cstdio> first; jerror.h gives the message codes and macros.
#include <jerror.h>

using namespace gdl_files;

namespace {

constexpr size_t kInputBuffer = 4096;
// Pictures of more pixels than this need at least one byte of file per 4096
// pixels: a tiny hostile file must not make us allocate and decode gigabytes.
constexpr uint64_t kFreePixels = uint64_t{1} << 24;
constexpr uint64_t kPixelsPerByte = 4096;

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf resume;
};

struct Source {
    jpeg_source_mgr pub;
    void* stream;
    JOCTET* buffer;
    boolean startOfFile;
};

[[noreturn]] void OnFatal(j_common_ptr cinfo) {
    GDL_setResult(GDL_INVALID_BITMAP);
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->resume, 1);
}

void InitSource(j_decompress_ptr cinfo) {
    reinterpret_cast<Source*>(cinfo->src)->startOfFile = TRUE;
}

boolean FillInput(j_decompress_ptr cinfo) {
    Source* src = reinterpret_cast<Source*>(cinfo->src);
    size_t got = GDL_fileHooks.read(src->buffer, 1, kInputBuffer, src->stream);
    if (got == 0) {
        if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // A truncated file reads as ending here.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        got = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = got;
    src->startOfFile = FALSE;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    Source* src = reinterpret_cast<Source*>(cinfo->src);
    if (count <= 0) return;
    while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
        count -= static_cast<long>(src->pub.bytes_in_buffer);
        FillInput(cinfo);
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void AttachSource(j_decompress_ptr cinfo, void* stream) {
    if (!cinfo->src) {
        cinfo->src = static_cast<jpeg_source_mgr*>((*cinfo->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(Source)));
        Source* src = reinterpret_cast<Source*>(cinfo->src);
        src->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kInputBuffer));
    }
    Source* src = reinterpret_cast<Source*>(cinfo->src);
    src->pub.init_source = InitSource;
    src->pub.fill_input_buffer = FillInput;
    src->pub.skip_input_data = SkipInput;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    src->stream = stream;
}

} // namespace

namespace {

// Everything after the resume point; a fatal libjpeg error leaves through
// OnFatal. `out` receives the record as soon as it exists, so that the caller
// can free it on that path.
void Decode(jpeg_decompress_struct* cinfo, void* stream, int32_t colours, int64_t fileBytes,
            GdlBitmap* volatile* out) {
    jpeg_create_decompress(cinfo);
    AttachSource(cinfo, stream);
    jpeg_read_header(cinfo, TRUE);

    if (cinfo->num_components == 1)
        colours = -1;
    else if (cinfo->num_components != 3)
        ERREXIT(cinfo, JERR_BAD_J_COLORSPACE);
    if (colours < -1) colours = -1;
    if (colours > 256) colours = 256; // at most N colours: 256 is the most 8 bits hold

    const uint64_t pixels = uint64_t{cinfo->image_width} * cinfo->image_height;
    const uint64_t allowed = fileBytes > 0 ? uint64_t(fileBytes) * kPixelsPerByte : 0;
    if (pixels > kFreePixels && pixels > allowed) ERREXIT(cinfo, JERR_IMAGE_TOO_BIG);

    GdlBitmap head{};
    head.width = static_cast<int32_t>(cinfo->image_width);
    head.height = static_cast<int32_t>(cinfo->image_height);
    head.bitsPerPixel = colours ? 8 : 24;
    head.bytesPerLine = colours ? head.width : 3 * head.width;
    GdlBitmap* bitmap =
        NewBitmapRecord(head, colours ? 256 : 0, colours ? nullptr : &GDL_pixelFormatRGB);
    if (!bitmap) return;
    *out = bitmap;

    if (colours >= 1) {
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = colours;
        cinfo->two_pass_quantize = TRUE;
        cinfo->dither_mode = JDITHER_FS;
    } else if (colours == -1) {
        cinfo->out_color_space = JCS_GRAYSCALE;
    }
    jpeg_start_decompress(cinfo);
    JSAMPARRAY sample =
        (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                    cinfo->output_width * cinfo->output_components, 1);
    const size_t stride = static_cast<size_t>(bitmap->bytesPerLine);
    while (cinfo->output_scanline < cinfo->output_height) {
        uint8_t* row = bitmap->surface + cinfo->output_scanline * stride;
        if (colours != 0) {
            JSAMPROW target = row;
            jpeg_read_scanlines(cinfo, &target, 1);
        } else {
            jpeg_read_scanlines(cinfo, sample, 1);
            // Red, green, blue in the file become blue, green, red cells, so a
            // 24-bit cell read as a number holds red in bits 16-23.
            for (JDIMENSION x = 0; x < cinfo->output_width; ++x) {
                row[3 * x] = sample[0][3 * x + 2];
                row[3 * x + 1] = sample[0][3 * x + 1];
                row[3 * x + 2] = sample[0][3 * x];
            }
        }
    }

    if (colours >= 1 && cinfo->out_color_components == 3) {
        for (int i = 0; i < cinfo->actual_number_of_colors && i < 256; ++i)
            bitmap->palette[i] = GdlPaletteEntry{cinfo->colormap[2][i], cinfo->colormap[1][i],
                                                 cinfo->colormap[0][i], 0};
    } else if (colours != 0) {
        for (int i = 0; i < 256; ++i) {
            const uint8_t v = static_cast<uint8_t>(i);
            bitmap->palette[i] = GdlPaletteEntry{v, v, v, 0};
        }
    }
    jpeg_finish_decompress(cinfo);
}

} // namespace

GdlBitmap* GDL_readJPEG(void* stream, long offset, long end, int32_t colours) {
    GDL_setResult(GDL_OK);
    if (!SeekTo(stream, offset)) {
        GDL_setResult(GDL_INVALID_BITMAP);
        return nullptr;
    }
    const int64_t fileBytes = int64_t{GDL_fileLength(stream)} - offset;
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    GdlBitmap* volatile bitmap = nullptr;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnFatal;
    if (setjmp(err.resume)) {
        jpeg_destroy_decompress(&cinfo);
        GDL_free(bitmap);
        GDL_setResult(GDL_INVALID_BITMAP);
        return nullptr;
    }
    Decode(&cinfo, stream, colours, fileBytes, &bitmap);
    jpeg_destroy_decompress(&cinfo);
    if (!bitmap) return nullptr; // no memory; the code is set
    GDL_fileHooks.seek(stream, end, 0);
    return bitmap;
}

GdlBitmap* GDL_loadJPEG(const char* name, int32_t colours) {
    GDL_setResult(GDL_OK);
    void* stream = GDL_openFile(GDL_BITMAPS_FOLDER, name, "rb");
    if (!stream) {
        GDL_setResult(GDL_BITMAP_NOT_FOUND);
        return nullptr;
    }
    return CloseAndReturn(stream, GDL_readJPEG(stream, 0, GDL_fileLength(stream), colours));
}

int32_t GDL_findBitmapFile(const char* name) {
    GDL_setResult(GDL_OK);
    char path[GDL_PATH_BUFFER];
    return GDL_findFile(path, GDL_BITMAPS_FOLDER, name, "rb");
}
