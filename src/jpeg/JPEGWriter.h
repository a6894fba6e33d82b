#pragma once
// Compression of pixels into a complete JPEG file image in memory. No window
// system: TJPEGImage, the poll command and the benchmarks all come here.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "jpeg/JPEGProgress.h"

// Byte order of a pixel: blue first, as 32-bit bitmaps (with one unused
// byte, QImage::Format_RGB32) and 24-bit bitmaps keep them.
enum TJPEGPixelLayout { plBGRX, plBGR };

// Pixels as they lie in memory.
struct TJPEGPixels {
    const std::uint8_t* Bits = nullptr;  // first byte of the top row
    int Width = 0;
    int Height = 0;
    std::ptrdiff_t Stride = 0;  // bytes from a row to the row below it; negative when stored bottom-up
    TJPEGPixelLayout Layout = plBGRX;
};

struct TJPEGWriteOptions {
    int Quality = 90;  // 1..100
    bool Grayscale = false;
    bool Progressive = false;
};

// Compresses pixels into out (replaced): a JFIF file with the library's
// defaults apart from the quality (baseline tables forced) and the two
// options. A picture without pixels (width or height 0) gives no bytes.
// Answers false, with out empty, when the progress handler aborted. Raises
// EJPEG when the library fails and passes on an exception of the handler;
// out is then empty too.
bool CompressJPEG(const TJPEGPixels& pixels, const TJPEGWriteOptions& options, std::string& out,
                  const TJPEGProgressHandler& progress = {});

// Takes the compressed bytes as the library hands them out: 4096 at a time
// while it compresses, the rest at the end. Answering false (or throwing)
// stops the compression with the library's write error.
using TJPEGSink = std::function<bool(const char* bytes, std::size_t count)>;

// As above, but the bytes go to sink instead of a string. Raises EJPEG with
// JERR_FILE_WRITE when the sink refuses them; whatever the sink took before
// is then an unfinished file.
bool CompressJPEG(const TJPEGPixels& pixels, const TJPEGWriteOptions& options, const TJPEGSink& sink,
                  const TJPEGProgressHandler& progress = {});
