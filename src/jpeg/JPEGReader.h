#pragma once
// Decoding of a JPEG file image in memory into pixels, without any window
// system: TJPEGImage, the save dialog's preview and the fuzzer come here.
// Every input is treated as hostile: a damaged file ends in EJPEG or in a
// picture, never in a crash, and the work per file is bounded.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "jpeg/JPEGProgress.h"

// Pictures with more pixels than this are refused (about 7000 x 7000).
constexpr std::int64_t JPEGMaxPixels = 50'000'000;
// Files with more scans than this are refused.
constexpr int JPEGMaxScans = 500;
// Files that ask for more work than this are refused: blocks of 8 x 8
// samples decoded, summed over the scans, each scan being a pass over every
// block of the components it carries. Twelve passes over all three
// components of the largest picture, about twice what the usual progressive
// scan scripts need for it: a small file that repeats a scan over a large
// picture is refused after a second or so instead of keeping the reader busy
// for many.
constexpr std::int64_t JPEGMaxBlockScans = 12 * 3 * (JPEGMaxPixels / 64);

// What the header of a JPEG file says.
struct TJPEGHeader {
    int Width = 0;
    int Height = 0;
    bool Grayscale = false;    // one grey component
    bool Progressive = false;  // several scans
};

struct TJPEGReadOptions {
    int ScaleShift = 0;  // the picture comes out at 1 / 2^ScaleShift of its size (0..3)
    bool Smoothing = true;
    bool Grayscale = false;
    bool BestSpeed = false;  // fast inverse transform, one-pass quantisation, ordered dither
    bool Quantize = false;   // 8 bits per pixel through a colour map; grey output always is
    std::int64_t MaxPixels = JPEGMaxPixels;
    std::int64_t MaxBlockScans = JPEGMaxBlockScans;  // 0: no limit
    // Decoding ends early, as after an abort by the progress handler, once
    // Cancel is set (by any thread) or Deadline has passed. Both are looked at
    // every few rows of every scan, not only when a progress notice is due.
    const std::atomic<bool>* Cancel = nullptr;
    std::chrono::steady_clock::time_point Deadline = std::chrono::steady_clock::time_point::max();
};

// One decoding: ReadHeader, Start, then ReadRows into a buffer of the size
// that Start announced. Raises EJPEG when the file cannot be decoded or asks
// for more than the options' limits (JERR_IMAGE_TOO_BIG for the pixels,
// JERR_BAD_PROGRESSION for the scans and the work), and passes on an
// exception of the progress handler. The bytes must outlive the reader.
class TJPEGReader {
public:
    // Colours of the map that quantised output uses.
    static constexpr int QuantizedColors = 236;

    explicit TJPEGReader(std::string_view bytes, TJPEGProgressHandler progress = {});
    ~TJPEGReader();
    TJPEGReader(const TJPEGReader&) = delete;
    TJPEGReader& operator=(const TJPEGReader&) = delete;

    // Reads the header (once).
    const TJPEGHeader& ReadHeader();
    // Reads the header if needed and starts decoding. False when the
    // progress handler aborted, or the options' Cancel or Deadline stopped it.
    bool Start(const TJPEGReadOptions& options);

    // getters, after Start
    int OutputWidth() const { return fOutputWidth; }
    int OutputHeight() const { return fOutputHeight; }
    // Indexed: one byte per pixel, an entry of ColorMap (0xFFRRGGBB). Else
    // four bytes per pixel: blue, green, red, 255.
    bool Indexed() const { return fIndexed; }
    const std::vector<std::uint32_t>& ColorMap() const { return fColorMap; }
    std::size_t RowBytes() const;

    // Decodes every row into bits (top row first, rows stride bytes apart,
    // stride at least RowBytes). False when the progress handler aborted or
    // the options' Cancel or Deadline stopped it; the rows are then incomplete.
    bool ReadRows(std::uint8_t* bits, std::ptrdiff_t stride);

private:
    struct TState;

    std::unique_ptr<TState> fState;
    TJPEGHeader fHeader;
    bool fHeaderRead = false;
    bool fStarted = false;
    bool fReady = false;  // started and not yet read
    int fOutputWidth = 0;
    int fOutputHeight = 0;
    bool fIndexed = false;
    std::vector<std::uint32_t> fColorMap;
};

// The header alone.
TJPEGHeader ReadJPEGHeader(std::string_view bytes);
