#include "jpeg/JPEGWriter.h"

#include <stdexcept>
#include <type_traits>
#include <vector>

#include "jpeg/JPEGSession.h"

namespace {

// The library writes into this buffer, taken from its per-image pool; each
// time it is full, its bytes go to the sink.
constexpr std::size_t kOutputBufferSize = 4096;

struct TDestination {
    jpeg_destination_mgr Manager;  // first member: the library's dest pointer is a pointer to this
    JOCTET* Buffer;
    const TJPEGSink* Sink;
};
static_assert(std::is_standard_layout_v<TDestination>);

TDestination& DestinationOf(j_compress_ptr info)
{
    return *reinterpret_cast<TDestination*>(info->dest);
}

// A sink that fails (a full disk, no memory) must not throw through the
// library: it becomes the library's write error.
bool AppendBuffer(TDestination& destination, std::size_t count) noexcept
{
    try {
        return (*destination.Sink)(reinterpret_cast<const char*>(destination.Buffer), count);
    } catch (...) {
        return false;
    }
}

void InitDestination(j_compress_ptr info) noexcept
{
    TDestination& destination = DestinationOf(info);
    destination.Buffer = static_cast<JOCTET*>(
        (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE, kOutputBufferSize));
    destination.Manager.next_output_byte = destination.Buffer;
    destination.Manager.free_in_buffer = kOutputBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr info) noexcept
{
    TDestination& destination = DestinationOf(info);
    if (!AppendBuffer(destination, kOutputBufferSize))
        ERREXIT(info, JERR_FILE_WRITE);
    destination.Manager.next_output_byte = destination.Buffer;
    destination.Manager.free_in_buffer = kOutputBufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr info) noexcept
{
    TDestination& destination = DestinationOf(info);
    if (!AppendBuffer(destination, kOutputBufferSize - destination.Manager.free_in_buffer))
        ERREXIT(info, JERR_FILE_WRITE);
}

struct TWriteJob {
    jpeg_compress_struct Info;
    TDestination Destination;
    TJPEGSession* Session;
    const TJPEGPixels* Pixels;
    const TJPEGWriteOptions* Options;
    JSAMPROW* Rows;  // every row, for a single call; null: one row per call
};

// All library calls of one compression. Left by longjmp on errors, so only
// trivially destructible locals. False when the work stopped early.
bool RunCompression(TWriteJob& job) noexcept
{
    TJPEGSession& session = *job.Session;
    if (setjmp(session.Jump) != 0)
        return false;
    const TJPEGPixels& pixels = *job.Pixels;
    const TJPEGWriteOptions& options = *job.Options;
    j_compress_ptr info = &job.Info;
    session.AttachErrors(reinterpret_cast<j_common_ptr>(info));
    jpeg_CreateCompress(info, JPEGLibraryVersion, sizeof(jpeg_compress_struct));
    session.AttachProgress(reinterpret_cast<j_common_ptr>(info));
    info->dest = &job.Destination.Manager;

    info->image_width = static_cast<JDIMENSION>(pixels.Width);
    info->image_height = static_cast<JDIMENSION>(pixels.Height);
    // The library reads blue-first pixels itself, so rows go in as they lie.
    info->input_components = pixels.Layout == plBGRX ? 4 : 3;
    info->in_color_space = pixels.Layout == plBGRX ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, options.Quality, TRUE);
    if (options.Grayscale)
        jpeg_set_colorspace(info, JCS_GRAYSCALE);
    if (options.Progressive)
        jpeg_simple_progression(info);

    if (!session.Notify(psStarting, 0))
        return false;
    jpeg_start_compress(info, TRUE);
    while (info->next_scanline < info->image_height) {
        JDIMENSION written = 0;
        if (job.Rows != nullptr) {
            written =
                jpeg_write_scanlines(info, job.Rows + info->next_scanline, info->image_height - info->next_scanline);
        } else {
            // Addressed by its index: a pointer stepped on after the last row
            // would point outside the pixels (before them for bottom-up rows).
            const std::ptrdiff_t y = static_cast<std::ptrdiff_t>(info->next_scanline);
            JSAMPROW one = const_cast<JSAMPROW>(pixels.Bits + pixels.Stride * y);
            written = jpeg_write_scanlines(info, &one, 1);
        }
        if (written == 0) {
            session.Fail(JERR_CANT_SUSPEND);
            return false;
        }
    }
    jpeg_finish_compress(info);
    return session.Notify(psEnding, 100);
}

}  // namespace

bool CompressJPEG(const TJPEGPixels& pixels, const TJPEGWriteOptions& options, std::string& out,
                  const TJPEGProgressHandler& progress)
{
    out.clear();
    const TJPEGSink append = [&out](const char* bytes, std::size_t count) {
        out.append(bytes, count);
        return true;
    };
    bool finished = false;
    try {
        finished = CompressJPEG(pixels, options, append, progress);
    } catch (...) {
        out.clear();  // no half of a file
        throw;
    }
    if (!finished)
        out.clear();
    return finished;
}

bool CompressJPEG(const TJPEGPixels& pixels, const TJPEGWriteOptions& options, const TJPEGSink& sink,
                  const TJPEGProgressHandler& progress)
{
    if (pixels.Width <= 0 || pixels.Height <= 0)
        return true;
    const std::ptrdiff_t rowBytes = static_cast<std::ptrdiff_t>(pixels.Width) * (pixels.Layout == plBGRX ? 4 : 3);
    if (pixels.Bits == nullptr || (pixels.Stride < 0 ? -pixels.Stride : pixels.Stride) < rowBytes)
        throw std::invalid_argument("CompressJPEG: rows shorter than the picture is wide");

    // Rows that follow each other downwards at a distance of whole 32-bit
    // words go to the library all in one call; others one row per call.
    std::vector<JSAMPROW> rows;
    if (pixels.Stride > 0 && pixels.Stride % 4 == 0) {
        rows.resize(static_cast<std::size_t>(pixels.Height));
        for (int y = 0; y < pixels.Height; ++y)
            rows[static_cast<std::size_t>(y)] = const_cast<JSAMPROW>(pixels.Bits + pixels.Stride * y);
    }

    TJPEGSession session(&progress);
    TWriteJob job{};
    job.Destination.Manager.init_destination = InitDestination;
    job.Destination.Manager.empty_output_buffer = EmptyOutputBuffer;
    job.Destination.Manager.term_destination = TermDestination;
    job.Destination.Sink = &sink;
    job.Session = &session;
    job.Pixels = &pixels;
    job.Options = &options;
    job.Rows = rows.empty() ? nullptr : rows.data();

    const bool finished = RunCompression(job);
    jpeg_destroy_compress(&job.Info);
    if (finished)
        return true;
    session.Raise();
    return false;
}
