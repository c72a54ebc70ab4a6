// JPEG fixtures encoded by libjpeg itself, for the suites that read JPEG
// files (the graphics library's reader and the tools built on it).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace testsupport {

// A smooth picture with some edges, `components` samples per pixel.
inline std::vector<uint8_t> JpegSamples(int w, int h, int components) {
    std::vector<uint8_t> s;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < components; ++c)
                s.push_back(static_cast<uint8_t>(c == 0   ? x * 255 / w
                                                 : c == 1 ? y * 255 / h
                                                 : c == 2 ? ((x / 4 + y / 4) % 2) * 200 + 20
                                                          : 60));
    return s;
}

inline std::vector<uint8_t> EncodeJpeg(int w, int h, int components, J_COLOR_SPACE space,
                                       bool progressive = false) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = components;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> samples = JpegSamples(w, h, components);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = samples.data() + static_cast<size_t>(c.next_scanline) * w * components;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> bytes(out, out + size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return bytes;
}

} // namespace testsupport
