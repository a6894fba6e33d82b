#pragma once
// The JPEG library used directly, the common way (red-first rows, its own
// memory destination and source), as the yardstick for the codec's output.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <jpeglib.h>

namespace bare {

// Compresses width x height red-first rows (3 bytes a pixel) that fill(y, row)
// writes, with the library's defaults and quality (baseline tables forced),
// and with its standard progressive scan script when asked.
template <typename TFillRow>
inline std::string CompressRgbRows(int width, int height, int quality, bool progressive, TFillRow fill)
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
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        fill(y, row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

// Blue-first pixels (4 or 3 bytes each) compressed with quality 90 (baseline
// tables forced) and otherwise the library's defaults.
inline std::string Compress(const std::uint8_t* top, int width, int height, std::ptrdiff_t stride, int bytesPerPixel,
                            int quality = 90)
{
    return CompressRgbRows(width, height, quality, false, [&](int y, std::uint8_t* row) {
        const std::uint8_t* in = top + stride * y;
        for (int x = 0; x < width; ++x) {
            row[3 * x + 0] = in[bytesPerPixel * x + 2];
            row[3 * x + 1] = in[bytesPerPixel * x + 1];
            row[3 * x + 2] = in[bytesPerPixel * x + 0];
        }
    });
}

struct Picture {
    int Width = 0;
    int Height = 0;
    int Components = 0;
    std::vector<std::uint8_t> Samples;  // rows of R, G, B (or grey) samples

    const std::uint8_t* At(int x, int y) const
    {
        return &Samples[(static_cast<std::size_t>(y) * Width + x) * Components];
    }
};

// Decodes with the library's defaults into red-first samples (grey files stay grey).
inline Picture Decompress(std::string_view bytes)
{
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    Picture picture;
    picture.Width = static_cast<int>(info.output_width);
    picture.Height = static_cast<int>(info.output_height);
    picture.Components = info.output_components;
    picture.Samples.resize(static_cast<std::size_t>(picture.Width) * picture.Height * picture.Components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {
            &picture.Samples[static_cast<std::size_t>(info.output_scanline) * picture.Width * picture.Components]};
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return picture;
}

}  // namespace bare
