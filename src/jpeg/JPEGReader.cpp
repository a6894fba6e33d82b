#include "jpeg/JPEGReader.h"

#include <stdexcept>

#include "jpeg/JPEGSession.h"

namespace {

// Memory the library may take for one picture (the coefficients of all scans
// of a progressive file live in memory until the end).
constexpr long kMaxLibraryMemory = 512L * 1024 * 1024;
// Rows handed to the library per call.
constexpr int kRowBatch = 16;

}  // namespace

struct TJPEGReader::TState {
    explicit TState(std::string_view bytes, TJPEGProgressHandler progress)
        : Bytes(bytes), Progress(std::move(progress)), Session(&Progress)
    {}

    std::string_view Bytes;
    TJPEGProgressHandler Progress;
    TJPEGSession Session;
    jpeg_decompress_struct Info{};
    bool Created = false;

    // The library calls of each step. Left by longjmp on errors, so only
    // trivially destructible locals; false when the step stopped early.
    bool RunReadHeader(TJPEGHeader& header) noexcept;
    bool RunStart(const TJPEGReadOptions& options) noexcept;
    bool RunReadRows(std::uint8_t* bits, std::ptrdiff_t stride) noexcept;
};

bool TJPEGReader::TState::RunReadHeader(TJPEGHeader& header) noexcept
{
    if (setjmp(Session.Jump) != 0)
        return false;
    j_decompress_ptr info = &Info;
    Session.AttachErrors(reinterpret_cast<j_common_ptr>(info));
    Created = true;
    jpeg_CreateDecompress(info, JPEGLibraryVersion, sizeof(jpeg_decompress_struct));
    Session.AttachProgress(reinterpret_cast<j_common_ptr>(info));
    // The library's memory source ends a truncated file with an end marker,
    // so a short file decodes (grey where data is missing) and always ends.
    jpeg_mem_src(info, reinterpret_cast<const unsigned char*>(Bytes.data()), static_cast<unsigned long>(Bytes.size()));
    jpeg_read_header(info, TRUE);
    header.Width = static_cast<int>(info->image_width);
    header.Height = static_cast<int>(info->image_height);
    header.Grayscale = info->jpeg_color_space == JCS_GRAYSCALE;
    header.Progressive = jpeg_has_multiple_scans(info) != 0;
    return true;
}

bool TJPEGReader::TState::RunStart(const TJPEGReadOptions& options) noexcept
{
    if (setjmp(Session.Jump) != 0)
        return false;
    j_decompress_ptr info = &Info;
    const std::int64_t pixels = static_cast<std::int64_t>(info->image_width) * info->image_height;
    if (pixels > options.MaxPixels) {
        Session.Fail(JERR_IMAGE_TOO_BIG);
        return false;
    }
    info->mem->max_memory_to_use = kMaxLibraryMemory;
    Session.ScanLimit = JPEGMaxScans;
    Session.BlockScanLimit = options.MaxBlockScans;
    Session.Cancel = options.Cancel;
    Session.Deadline = options.Deadline;

    info->scale_num = 1;
    info->scale_denom = 1U << (options.ScaleShift < 0 ? 0 : (options.ScaleShift > 3 ? 3 : options.ScaleShift));
    info->do_block_smoothing = options.Smoothing ? TRUE : FALSE;
    if (options.Grayscale)
        info->out_color_space = JCS_GRAYSCALE;
    else
        info->out_color_space = options.Quantize ? JCS_RGB : JCS_EXT_BGRA;
    if (options.Grayscale || options.Quantize) {
        info->quantize_colors = TRUE;
        info->desired_number_of_colors = TJPEGReader::QuantizedColors;
    }
    if (options.BestSpeed) {
        info->dct_method = JDCT_IFAST;
        info->two_pass_quantize = FALSE;
        info->dither_mode = JDITHER_ORDERED;
    }
    if (!Session.Notify(psStarting, 0))
        return false;
    jpeg_start_decompress(info);
    return true;
}

bool TJPEGReader::TState::RunReadRows(std::uint8_t* bits, std::ptrdiff_t stride) noexcept
{
    if (setjmp(Session.Jump) != 0)
        return false;
    j_decompress_ptr info = &Info;
    while (info->output_scanline < info->output_height) {
        JSAMPROW rows[kRowBatch];
        const JDIMENSION first = info->output_scanline;
        JDIMENSION count = info->output_height - first;
        if (count > static_cast<JDIMENSION>(kRowBatch))
            count = kRowBatch;
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = bits + static_cast<std::ptrdiff_t>(first + i) * stride;
        if (jpeg_read_scanlines(info, rows, count) == 0) {
            Session.Fail(JERR_CANT_SUSPEND);
            return false;
        }
    }
    jpeg_finish_decompress(info);
    return Session.Notify(psEnding, 100);
}

TJPEGReader::TJPEGReader(std::string_view bytes, TJPEGProgressHandler progress)
    : fState(std::make_unique<TState>(bytes, std::move(progress)))
{}

TJPEGReader::~TJPEGReader()
{
    if (fState->Created)
        jpeg_destroy_decompress(&fState->Info);
}

const TJPEGHeader& TJPEGReader::ReadHeader()
{
    if (fHeaderRead)
        return fHeader;
    if (fState->Created || !fState->RunReadHeader(fHeader)) {
        // A header that failed once fails again with the same error.
        fState->Session.Raise();
        throw std::logic_error("TJPEGReader: the header could not be read");
    }
    fHeaderRead = true;
    return fHeader;
}

bool TJPEGReader::Start(const TJPEGReadOptions& options)
{
    ReadHeader();
    if (fStarted)
        throw std::logic_error("TJPEGReader: decoding was already started");
    fStarted = true;
    if (!fState->RunStart(options)) {
        fState->Session.Raise();
        return false;
    }
    const jpeg_decompress_struct& info = fState->Info;
    fOutputWidth = static_cast<int>(info.output_width);
    fOutputHeight = static_cast<int>(info.output_height);
    fIndexed = info.quantize_colors != FALSE;
    fColorMap.clear();
    if (fIndexed) {
        const bool grey = info.out_color_components == 1;
        for (int i = 0; i < info.actual_number_of_colors; ++i) {
            const std::uint32_t r = info.colormap[0][i];
            const std::uint32_t g = grey ? r : info.colormap[1][i];
            const std::uint32_t b = grey ? r : info.colormap[2][i];
            fColorMap.push_back(0xFF000000U | (r << 16) | (g << 8) | b);
        }
    }
    fReady = true;
    return true;
}

std::size_t TJPEGReader::RowBytes() const
{
    return static_cast<std::size_t>(fOutputWidth) * (fIndexed ? 1 : 4);
}

bool TJPEGReader::ReadRows(std::uint8_t* bits, std::ptrdiff_t stride)
{
    if (!fReady)
        throw std::logic_error("TJPEGReader: decoding was not started");
    if (bits == nullptr || stride < static_cast<std::ptrdiff_t>(RowBytes()))
        throw std::invalid_argument("TJPEGReader: rows shorter than the picture is wide");
    fReady = false;
    if (!fState->RunReadRows(bits, stride)) {
        fState->Session.Raise();
        return false;
    }
    return true;
}

TJPEGHeader ReadJPEGHeader(std::string_view bytes)
{
    TJPEGReader reader(bytes);
    return reader.ReadHeader();
}
