// Feeds arbitrary bytes to the JPEG reader, as the save dialog's preview does
// with files the user did not make: the header, then a decoding with options
// taken from the last byte. Any input must end in EJPEG or in a picture that
// fits the buffer the reader asked for.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "jpeg/JPEGError.h"
#include "jpeg/JPEGReader.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// Pictures of up to a megapixel, and as many passes over their blocks as the
// real work limit allows over the largest picture, keep each run short;
// larger ones are refused by the same checks that refuse the real limits.
constexpr std::int64_t kFuzzMaxPixels = 1 << 20;
constexpr std::int64_t kFuzzMaxBlockScans = JPEGMaxBlockScans * kFuzzMaxPixels / JPEGMaxPixels;
constexpr std::size_t kGuardBytes = 64;
constexpr std::uint8_t kGuard = 0xA5;

void Decode(std::string_view bytes, std::uint8_t flags)
{
    TJPEGReader reader(bytes);
    const TJPEGHeader header = reader.ReadHeader();
    Check(header.Width > 0 && header.Height > 0);
    TJPEGReadOptions options;
    options.ScaleShift = flags & 3;
    options.Smoothing = (flags & 4) != 0;
    options.Grayscale = (flags & 8) != 0;
    options.BestSpeed = (flags & 16) != 0;
    options.Quantize = (flags & 32) != 0;
    options.MaxPixels = kFuzzMaxPixels;
    options.MaxBlockScans = kFuzzMaxBlockScans;
    Check(reader.Start(options));
    Check(reader.OutputWidth() > 0 && reader.OutputWidth() <= header.Width);
    Check(reader.OutputHeight() > 0 && reader.OutputHeight() <= header.Height);
    const std::size_t size = reader.RowBytes() * static_cast<std::size_t>(reader.OutputHeight());
    std::vector<std::uint8_t> bits(size + kGuardBytes, kGuard);
    Check(reader.ReadRows(bits.data(), static_cast<std::ptrdiff_t>(reader.RowBytes())));
    // The library's own writes are not instrumented: a guard shows an overrun.
    for (std::size_t i = size; i < bits.size(); ++i)
        Check(bits[i] == kGuard);
    if (reader.Indexed()) {
        Check(!reader.ColorMap().empty() && reader.ColorMap().size() <= TJPEGReader::QuantizedColors);
        for (std::size_t i = 0; i < size; ++i)
            Check(bits[i] < reader.ColorMap().size());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size - 1);
    try {
        Decode(bytes, data[size - 1]);
    } catch (const EJPEG&) {
    }
    return 0;
}
