#pragma once
// Hostile JPEG files made with the library itself: small files that ask the
// decoder for a great deal of work.

#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace hostile {

// A flat grey progressive picture (the library's standard scan script).
inline std::string ProgressiveGrey(int width, int height)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3, 128);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

// The file with its last scan (a pass over every block of the picture's
// brightness) repeated extra times before the end marker; "" when the file
// has no scan to repeat.
inline std::string RepeatLastScan(const std::string& file, int extra)
{
    const std::size_t lastScan = file.rfind("\xFF\xDA");
    if (lastScan == std::string::npos || file.size() < lastScan + 2)
        return {};
    const std::string scan = file.substr(lastScan, file.size() - 2 - lastScan);
    std::string out = file.substr(0, file.size() - 2);
    out.reserve(out.size() + scan.size() * static_cast<std::size_t>(extra) + 2);
    for (int i = 0; i < extra; ++i)
        out += scan;
    out += "\xFF\xD9";
    return out;
}

// 7000 x 7000 pixels, just under the decoder's picture limit, in the usual
// ten scans: 6 128 502 blocks decoded in all.
inline const std::string& Largest()
{
    static const std::string file = ProgressiveGrey(7000, 7000);
    return file;
}

// The same with its last scan repeated 480 times: 490 scans, under the
// decoder's scan limit, each extra one a pass over the picture's 765 625
// brightness blocks (373 628 502 blocks in all).
inline const std::string& RepeatedScans7000()
{
    static const std::string file = RepeatLastScan(Largest(), 480);
    return file;
}

}  // namespace hostile
