// The codec without Qt: its bytes against the library used directly, the
// header and decoding options, progress and abort, errors, failing sinks,
// hostile files and the limits, cancel flag and deadline of decoding.
#include "BareJPEG.h"
#include "HostileJPEG.h"

#include "jpeg/JPEGError.h"
#include "jpeg/JPEGProgress.h"
#include "jpeg/JPEGReader.h"
#include "jpeg/JPEGWriter.h"

#include <jerror.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <stdexcept>
#include <sys/mman.h>
#include <thread>
#include <utility>

namespace {

// A picture with smooth gradients, flat areas and sharp edges, as blue-first
// bytes with the given pixel size and row distance.
std::vector<std::uint8_t> TestPicture(int width, int height, int bytesPerPixel, std::ptrdiff_t stride)
{
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(stride) * height, 0xAB);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &bits[static_cast<std::size_t>(stride) * y + bytesPerPixel * x];
            const bool bar = (x / 5) % 3 == 0 && y >= height / 3;
            p[0] = static_cast<std::uint8_t>(bar ? 255 : 255 * x / width);  // blue
            p[1] = static_cast<std::uint8_t>(bar ? 0 : 255 * y / height);   // green
            p[2] = static_cast<std::uint8_t>(bar ? 0 : 128);                // red
        }
    return bits;
}

TJPEGPixels Pixels(const std::vector<std::uint8_t>& bits, int width, int height, std::ptrdiff_t stride,
                   TJPEGPixelLayout layout)
{
    TJPEGPixels pixels;
    pixels.Bits = bits.data();
    pixels.Width = width;
    pixels.Height = height;
    pixels.Stride = stride;
    pixels.Layout = layout;
    return pixels;
}

std::string Compress(int width, int height, TJPEGWriteOptions options = {})
{
    const auto bits = TestPicture(width, height, 4, 4 * width);
    std::string out;
    EXPECT_TRUE(CompressJPEG(Pixels(bits, width, height, 4 * width, plBGRX), options, out));
    return out;
}

// Decodes the whole file with the reader into 4- or 1-byte pixels.
std::vector<std::uint8_t> Decode(TJPEGReader& reader, const TJPEGReadOptions& options)
{
    EXPECT_TRUE(reader.Start(options));
    std::vector<std::uint8_t> bits(reader.RowBytes() * reader.OutputHeight());
    EXPECT_TRUE(reader.ReadRows(bits.data(), static_cast<std::ptrdiff_t>(reader.RowBytes())));
    return bits;
}

int DecodeErrorCode(const std::string& bytes, const TJPEGReadOptions& options = {})
{
    try {
        TJPEGReader reader(bytes);
        Decode(reader, options);
    } catch (const EJPEG& e) {
        return e.Code();
    }
    return 0;
}

// How a decoding ended.
enum TEnd { Decoded, Stopped, Refused };

TEnd DecodeEnd(const std::string& bytes, const TJPEGReadOptions& options, int& code)
{
    code = 0;
    try {
        TJPEGReader reader(bytes);
        if (!reader.Start(options))
            return Stopped;
        std::vector<std::uint8_t> bits(reader.RowBytes() * reader.OutputHeight());
        return reader.ReadRows(bits.data(), static_cast<std::ptrdiff_t>(reader.RowBytes())) ? Decoded : Stopped;
    } catch (const EJPEG& e) {
        code = e.Code();
        return Refused;
    }
}

}  // namespace

TEST(JPEGWriter, BytesEqualTheLibraryUsedDirectlyForEveryRowLayout)
{
    const int w = 37, h = 23;
    struct Case {
        const char* name;
        int bytesPerPixel;
        std::ptrdiff_t stride;
        bool bottomUp;
    };
    // All rows in one call (whole-word distance), one row per call (odd
    // distance of packed 24-bit rows, and rows stored bottom-up).
    for (const Case c : {Case{"32-bit", 4, 4 * w, false}, Case{"32-bit padded", 4, 4 * w + 8, false},
                         Case{"24-bit packed", 3, 3 * w, false}, Case{"32-bit bottom-up", 4, 4 * w, true}}) {
        SCOPED_TRACE(c.name);
        const auto bits = TestPicture(w, h, c.bytesPerPixel, c.stride);
        const std::string expected = bare::Compress(bits.data(), w, h, c.stride, c.bytesPerPixel);
        std::vector<std::uint8_t> stored = bits;
        TJPEGPixels pixels = Pixels(stored, w, h, c.stride, c.bytesPerPixel == 4 ? plBGRX : plBGR);
        if (c.bottomUp) {
            for (int y = 0; y < h; ++y)
                std::memcpy(&stored[c.stride * (h - 1 - y)], &bits[c.stride * y], static_cast<std::size_t>(c.stride));
            pixels.Bits = &stored[c.stride * (h - 1)];
            pixels.Stride = -c.stride;
        }
        std::string out = "old bytes";
        ASSERT_TRUE(CompressJPEG(pixels, {}, out));
        EXPECT_EQ(out, expected);
    }
}

TEST(JPEGWriter, BottomUpRowsAtTheBottomOfTheAddressSpaceAreAddressedWithinTheirBuffer)
{
    // The bottom row of a bottom-up picture is the first in memory. Put it at
    // the lowest address a program may map: a row pointer stepped on past it
    // would wrap around the address space, which the sanitizer build catches.
    const int w = 16500, h = 2;
    const std::ptrdiff_t stride = 4 * w;  // more than the address of the mapping
    void* const lowest = reinterpret_cast<void*>(0x10000);
    const std::size_t size = static_cast<std::size_t>(stride) * h;
    void* const at =
        ::mmap(lowest, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (at == MAP_FAILED || at != lowest) {
        if (at != MAP_FAILED)
            ::munmap(at, size);
        GTEST_SKIP() << "cannot map memory at 0x10000";
    }
    auto* memory = static_cast<std::uint8_t*>(at);
    ASSERT_GT(stride, reinterpret_cast<std::intptr_t>(memory));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = memory + stride * (h - 1 - y) + 4 * x;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y * 200);
            p[2] = static_cast<std::uint8_t>(x >> 6);
            p[3] = 0;
        }
    TJPEGPixels pixels;
    pixels.Bits = memory + stride * (h - 1);
    pixels.Width = w;
    pixels.Height = h;
    pixels.Stride = -stride;
    std::string out;
    const bool done = CompressJPEG(pixels, {}, out);
    const std::string expected = bare::Compress(pixels.Bits, w, h, -stride, 4);
    ::munmap(at, size);
    ASSERT_TRUE(done);
    EXPECT_EQ(out, expected);
}

TEST(JPEGWriter, ASinkThatFailsStopsTheCompressionWithTheWriteError)
{
    const int w = 160, h = 120;
    const auto bits = TestPicture(w, h, 4, 4 * w);
    const TJPEGPixels pixels = Pixels(bits, w, h, 4 * w, plBGRX);
    TJPEGWriteOptions best;
    best.Quality = 100;
    std::string whole;
    ASSERT_TRUE(CompressJPEG(pixels, best, whole));

    // The library hands out full buffers of 4096 bytes, then the rest.
    std::vector<std::size_t> chunks;
    std::string joined;
    ASSERT_TRUE(CompressJPEG(pixels, best, [&](const char* bytes, std::size_t count) {
        chunks.push_back(count);
        joined.append(bytes, count);
        return true;
    }));
    EXPECT_EQ(joined, whole);
    ASSERT_GE(chunks.size(), 3u) << "the picture must need several buffers";
    for (std::size_t i = 0; i + 1 < chunks.size(); ++i)
        EXPECT_EQ(chunks[i], 4096u);

    // A sink that gives up in the middle, at the end, or by throwing: the
    // library's write error, and no call after the failed one.
    struct TCase {
        const char* Name;
        std::size_t FailingCall;
        bool Throw;
    };
    for (const TCase c :
         {TCase{"middle", 1, false}, TCase{"end", chunks.size() - 1, false}, TCase{"throwing", 1, true}}) {
        SCOPED_TRACE(c.Name);
        std::size_t calls = 0;
        std::size_t taken = 0;
        const TJPEGSink failing = [&](const char*, std::size_t count) {
            if (calls++ == c.FailingCall) {
                if (c.Throw)
                    throw std::bad_alloc();
                return false;
            }
            taken += count;
            return true;
        };
        try {
            CompressJPEG(pixels, best, failing);
            ADD_FAILURE() << "no error";
        } catch (const EJPEG& e) {
            EXPECT_EQ(e.Code(), JERR_FILE_WRITE);
        }
        EXPECT_EQ(calls, c.FailingCall + 1);
        EXPECT_EQ(taken, 4096u * c.FailingCall);
    }
}

TEST(JPEGWriter, ProgressNoticesAbortAndHandlerExceptions)
{
    const int w = 64, h = 64;
    const auto bits = TestPicture(w, h, 4, 4 * w);
    const TJPEGPixels pixels = Pixels(bits, w, h, 4 * w, plBGRX);
    std::vector<std::pair<TProgressStage, int>> notices;
    std::string out;
    ASSERT_TRUE(CompressJPEG(pixels, {}, out,
                             [&](TProgressStage stage, int percent, bool&) { notices.emplace_back(stage, percent); }));
    ASSERT_GE(notices.size(), 2u);
    EXPECT_EQ(notices.front(), std::make_pair(psStarting, 0));
    EXPECT_EQ(notices.back(), std::make_pair(psEnding, 100));

    // An abort at any stage leaves no bytes and no error.
    for (const TProgressStage abortAt : {psStarting, psEnding}) {
        out = "old bytes";
        EXPECT_FALSE(
            CompressJPEG(pixels, {}, out, [&](TProgressStage stage, int, bool& abort) { abort = stage == abortAt; }));
        EXPECT_TRUE(out.empty());
    }

    // The handler's own exception comes out unchanged, past the library.
    out = "old bytes";
    EXPECT_THROW(CompressJPEG(pixels, {}, out, [](TProgressStage, int, bool&) { throw std::range_error("handler"); }),
                 std::range_error);
    EXPECT_TRUE(out.empty());
}

TEST(JPEGProgress, NoticesAreThrottledToHalfSecondsAndChanges)
{
    // One pass of four, half done: 1.5 of 4 passes is 37 % (truncated).
    EXPECT_EQ(ProgressPercent(50, 100, 1, 4), 37);
    EXPECT_EQ(ProgressPercent(50, 0, 1, 4), 25);
    EXPECT_EQ(ProgressPercent(5, 10, 0, 0), 0);

    TProgressThrottle throttle;
    int percent = -1;
    EXPECT_FALSE(throttle.Update(1000, 90, 100, 0, 1, percent));  // the first call only records the time
    EXPECT_FALSE(throttle.Update(1499, 90, 100, 0, 1, percent));
    EXPECT_TRUE(throttle.Update(1500, 90, 100, 0, 1, percent));
    EXPECT_EQ(percent, 90);
    EXPECT_FALSE(throttle.Update(2100, 90, 100, 0, 1, percent));  // unchanged
    EXPECT_FALSE(throttle.Update(2200, 95, 100, 0, 1, percent));  // too soon after the last look
    EXPECT_TRUE(throttle.Update(2600, 95, 100, 0, 1, percent));
    EXPECT_EQ(percent, 95);
}

TEST(JPEGReader, HeaderTellsSizeColourModelAndScans)
{
    for (const bool grey : {false, true})
        for (const bool progressive : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "grey " << grey << " progressive " << progressive);
            TJPEGWriteOptions options;
            options.Grayscale = grey;
            options.Progressive = progressive;
            const TJPEGHeader header = ReadJPEGHeader(Compress(37, 23, options));
            EXPECT_EQ(header.Width, 37);
            EXPECT_EQ(header.Height, 23);
            EXPECT_EQ(header.Grayscale, grey);
            EXPECT_EQ(header.Progressive, progressive);
        }
}

TEST(JPEGReader, FullColourPixelsEqualTheLibraryUsedDirectly)
{
    const std::string file = Compress(37, 23);
    const bare::Picture expected = bare::Decompress(file);
    TJPEGReader reader(file);
    const auto bits = Decode(reader, {});
    ASSERT_FALSE(reader.Indexed());
    ASSERT_EQ(reader.OutputWidth(), 37);
    ASSERT_EQ(reader.OutputHeight(), 23);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            const std::uint8_t* p = &bits[(static_cast<std::size_t>(y) * 37 + x) * 4];
            const std::uint8_t* q = expected.At(x, y);
            ASSERT_EQ(p[0], q[2]);
            ASSERT_EQ(p[1], q[1]);
            ASSERT_EQ(p[2], q[0]);
            ASSERT_EQ(p[3], 255);
        }
}

TEST(JPEGReader, ScaleAndColourMapOptions)
{
    const std::string file = Compress(37, 23);
    for (const auto& [shift, w, h] : {std::tuple{1, 19, 12}, std::tuple{2, 10, 6}, std::tuple{3, 5, 3}}) {
        TJPEGReader reader(file);
        TJPEGReadOptions options;
        options.ScaleShift = shift;
        Decode(reader, options);
        EXPECT_EQ(reader.OutputWidth(), w);
        EXPECT_EQ(reader.OutputHeight(), h);
    }

    // Quantised colour (both quality settings) and grey output: one byte per
    // pixel into a map of at most 236 colours; grey maps hold greys only.
    for (const auto& [grey, speed] : {std::pair{false, false}, std::pair{false, true}, std::pair{true, false}}) {
        SCOPED_TRACE(::testing::Message() << "grey " << grey << " speed " << speed);
        TJPEGReader reader(file);
        TJPEGReadOptions options;
        options.Quantize = !grey;
        options.Grayscale = grey;
        options.BestSpeed = speed;
        const auto bits = Decode(reader, options);
        ASSERT_TRUE(reader.Indexed());
        EXPECT_EQ(reader.RowBytes(), 37u);
        const auto& map = reader.ColorMap();
        ASSERT_GT(map.size(), 1u);
        ASSERT_LE(map.size(), 236u);
        for (const std::uint8_t index : bits)
            ASSERT_LT(index, map.size());
        if (grey) {
            for (const std::uint32_t c : map)
                EXPECT_TRUE((c & 0xFF) == ((c >> 8) & 0xFF) && (c & 0xFF) == ((c >> 16) & 0xFF));
        }
        // The bar at the left is blue in colour and dark in grey.
        const std::uint32_t bar = map[bits[static_cast<std::size_t>(20) * 37]];
        if (grey)
            EXPECT_LT(bar & 0xFF, 60u);
        else
            EXPECT_GT(bar & 0xFF, 200u);
    }
}

TEST(JPEGReader, DamagedAndHostileFilesFailCleanlyOrEnd)
{
    const std::string file = Compress(37, 23);
    EXPECT_EQ(DecodeErrorCode(""), JERR_INPUT_EMPTY);
    EXPECT_EQ(DecodeErrorCode("GIF89a not a JPEG file"), JERR_NO_SOI);
    EXPECT_NE(DecodeErrorCode(file.substr(0, 2)), 0);

    // A file cut in its picture data ends, with grey where the data is missing.
    const std::size_t data = file.find("\xFF\xDA");
    ASSERT_NE(data, std::string::npos);
    TJPEGReader truncated(std::string_view(file).substr(0, data + (file.size() - data) / 2));
    Decode(truncated, {});
    EXPECT_EQ(truncated.OutputHeight(), 23);

    // A small file that claims 60000 x 60000 pixels: the header reads, the
    // decoding is refused before anything is allocated for it.
    std::string huge = file;
    const std::size_t frame = huge.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    for (const std::size_t at : {frame + 5, frame + 7}) {
        huge[at] = static_cast<char>(60000 >> 8);
        huge[at + 1] = static_cast<char>(60000 & 0xFF);
    }
    EXPECT_EQ(ReadJPEGHeader(huge).Width, 60000);
    EXPECT_EQ(DecodeErrorCode(huge), JERR_IMAGE_TOO_BIG);

    // Endless scans: the last scan of a progressive file repeated.
    TJPEGWriteOptions progressive;
    progressive.Progressive = true;
    const std::string layered = Compress(37, 23, progressive);
    const std::size_t lastScan = layered.rfind("\xFF\xDA");
    ASSERT_NE(lastScan, std::string::npos);
    const std::string scan = layered.substr(lastScan, layered.size() - 2 - lastScan);
    std::string endless = layered.substr(0, layered.size() - 2);
    for (int i = 0; i < JPEGMaxScans; ++i)
        endless += scan;
    endless += "\xFF\xD9";
    EXPECT_EQ(DecodeErrorCode(endless), JERR_BAD_PROGRESSION);
}

TEST(JPEGReader, WorkIsCountedInBlocksOverScansAndBounded)
{
    // 256 x 256 in colour: 32 x 32 brightness blocks, 16 x 16 for each colour
    // difference. The usual ten scans: two over all three components (1536
    // blocks each), four over the brightness (1024), four over one colour
    // difference (256): 8192 blocks. Each repetition of the last
    // (brightness) scan adds 1024.
    const std::string plain = hostile::ProgressiveGrey(256, 256);
    const std::string repeated = hostile::RepeatLastScan(plain, 5);
    struct TCase {
        const std::string* File;
        std::int64_t Limit;
        int Code;
    };
    for (const TCase c :
         {TCase{&plain, 8192, 0}, TCase{&plain, 8191, JERR_BAD_PROGRESSION}, TCase{&repeated, 8192 + 5 * 1024, 0},
          TCase{&repeated, 8192 + 5 * 1024 - 1, JERR_BAD_PROGRESSION}, TCase{&repeated, 0, 0}}) {  // 0: no limit
        TJPEGReadOptions options;
        options.MaxBlockScans = c.Limit;
        EXPECT_EQ(DecodeErrorCode(*c.File, options), c.Code) << c.Limit;
    }
}

TEST(JPEGReader, TheLargestPictureDecodesButRepeatedScansOverItAreRefused)
{
    // The usual progressive file of the largest picture (6 128 502 blocks) is
    // well within the default work limit of 28 125 000 blocks. Repeating its
    // last scan (765 625 blocks) 28 times would stay within it; the 29th
    // repetition crosses it and is refused before it is decoded, long before
    // the scan limit would stop such a file.
    TJPEGReadOptions preview;
    preview.ScaleShift = 3;
    ASSERT_EQ(JPEGMaxBlockScans, 28'125'000);
    int code = 0;
    EXPECT_EQ(DecodeEnd(hostile::Largest(), preview, code), Decoded);
    EXPECT_EQ(DecodeEnd(hostile::RepeatLastScan(hostile::Largest(), 29), preview, code), Refused);
    EXPECT_EQ(code, JERR_BAD_PROGRESSION);
}

TEST(JPEGReader, CancelAndDeadlineStopTheDecodingSilently)
{
    // Without a work limit the repeated scans would take many seconds: only
    // the stop ends them.
    TJPEGReadOptions unlimited;
    unlimited.ScaleShift = 3;
    unlimited.MaxBlockScans = 0;
    int code = 0;

    // A flag set beforehand stops at the first look.
    std::atomic<bool> cancel{true};
    TJPEGReadOptions options = unlimited;
    options.Cancel = &cancel;
    EXPECT_EQ(DecodeEnd(hostile::RepeatedScans7000(), options, code), Stopped);

    // Set by another thread once the decoding has started.
    cancel = false;
    std::promise<void> started;
    std::thread canceller([&cancel, begun = started.get_future()]() mutable {
        begun.wait();
        cancel = true;
    });
    bool told = false;
    const auto decode = [&] {
        TJPEGReader reader(hostile::RepeatedScans7000(), [&](TProgressStage stage, int, bool&) {
            if (stage == psStarting && !told) {
                told = true;
                started.set_value();
            }
        });
        return reader.Start(options);
    };
    EXPECT_FALSE(decode());
    canceller.join();
    EXPECT_TRUE(told);

    // A deadline: passed already, and passing during the decoding.
    options = unlimited;
    options.Deadline = std::chrono::steady_clock::now();
    EXPECT_EQ(DecodeEnd(hostile::RepeatedScans7000(), options, code), Stopped);
    const auto start = std::chrono::steady_clock::now();
    options.Deadline = start + std::chrono::milliseconds(50);
    EXPECT_EQ(DecodeEnd(hostile::RepeatedScans7000(), options, code), Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}
