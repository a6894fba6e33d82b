#pragma once

#include <QImage>
#include <atomic>
#include <chrono>
#include <iosfwd>
#include <memory>
#include <string>

#include "jpeg/JPEGData.h"
#include "jpeg/JPEGProgress.h"
#include "jpeg/JPEGSettings.h"

class QPainter;
class QRect;

// A picture held as a bitmap, as compressed JPEG data, or both, converting
// between the two when one is needed and missing. Saving compresses the
// bitmap once; loading keeps the file's bytes and decodes them when the
// bitmap is first asked for.
class TJPEGImage {
public:
    // Files longer than this are not read.
    static constexpr std::size_t MaxFileBytes = 256u * 1024 * 1024;

    // No compressed bytes, no bitmap, settings from JPEGDefaults().
    TJPEGImage();
    ~TJPEGImage();
    TJPEGImage(const TJPEGImage&) = delete;
    TJPEGImage& operator=(const TJPEGImage&) = delete;

    // getters
    // The bitmap's size when there is a bitmap, else the size in the data,
    // reduced by Scale as decoding will reduce it.
    int Width() const;
    int Height() const;
    bool HasBitmap() const { return !fBitmap.isNull(); }
    // The bitmap, decoded from the data first when there is none (raises
    // EJPEG for a file that cannot be decoded). Null when there is nothing to
    // show, or when the progress handler aborted the decoding.
    const QImage& Bitmap();
    const std::shared_ptr<TJPEGData>& Data() const { return fData; }
    int CompressionQuality() const { return fSettings.CompressionQuality; }
    bool Grayscale() const { return fSettings.Grayscale; }
    bool ProgressiveEncoding() const { return fSettings.ProgressiveEncoding; }
    TJPEGPerformance Performance() const { return fSettings.Performance; }
    TJPEGPixelFormat PixelFormat() const { return fSettings.PixelFormat; }
    bool ProgressiveDisplay() const { return fSettings.ProgressiveDisplay; }
    TJPEGScale Scale() const { return fSettings.Scale; }
    bool Smoothing() const { return fSettings.Smoothing; }

    // setters
    // Settings that change how data is decoded drop a bitmap that was decoded
    // from the data, so that the next use decodes again with them.
    void SetCompressionQuality(int v);  // kept within 1..100
    void SetGrayscale(bool v);
    void SetProgressiveEncoding(bool v) { fSettings.ProgressiveEncoding = v; }
    void SetPerformance(TJPEGPerformance v);
    void SetPixelFormat(TJPEGPixelFormat v);
    void SetProgressiveDisplay(bool v) { fSettings.ProgressiveDisplay = v; }
    void SetScale(TJPEGScale v);
    void SetSmoothing(bool v);
    // Decoding stops early, as after an abort by OnProgress (no bitmap, no
    // error), once cancel is set (by any thread) or the deadline has passed.
    // The flag must outlive the image's decodings.
    void SetDecodeStop(const std::atomic<bool>* cancel, std::chrono::steady_clock::time_point deadline);
    // A JPEG image cannot be resized: both raise EInvalidGraphicOperation.
    [[noreturn]] void SetWidth(int v);
    [[noreturn]] void SetHeight(int v);

    // --- assignment ---------------------------------------------------------------------------
    // Shares the source's compressed data and takes a copy of its bitmap (or
    // has none when the source has none).
    void Assign(const TJPEGImage& source);
    // Takes a copy of the bitmap (sharing its pixels until either side
    // changes them) and drops any compressed data, so the next save
    // compresses again. A bitmap over a buffer of the caller's must outlive
    // this image.
    void Assign(const QImage& bitmap);

    // --- compression --------------------------------------------------------------------------
    // Compresses the bitmap into new data: quality, greyscale and progressive
    // encoding from the settings. An image without bitmap, or with one of
    // width or height 0, gets data of 0 bytes. False when the progress
    // handler aborted: the image then has no data. Raises EJPEG when the
    // library fails.
    bool Compress();
    // Compresses unless there is data already; false as Compress.
    bool JPEGNeeded();
    // The compressed bytes, compressing first if needed (empty after an abort).
    const std::string& JPEGBytes();

    // --- files and streams -------------------------------------------------------------------
    // Writes the compressed bytes to the stream in one write, compressing
    // first if needed. Nothing is written after an abort.
    void SaveToStream(std::ostream& stream);
    // Compresses in memory, then replaces the file (through a temporary file
    // renamed over it). Raises EFileError ("Cannot create file ...") when the
    // file cannot be written and EJPEG when compression fails; the file that
    // was there is then left as it was. An aborted compression writes nothing.
    void SaveToFile(const std::string& fileName);
    // Takes the bytes as the image's data, drops the bitmap and reads the
    // header: size, greyscale, and several scans into ProgressiveEncoding.
    // Raises EJPEG when the header cannot be read.
    void LoadFromBytes(std::string bytes);
    // The rest of the stream, as LoadFromBytes; more than MaxFileBytes raise EJPEG.
    void LoadFromStream(std::istream& stream);
    // A regular file, as LoadFromBytes; EFileError when it cannot be read. A
    // file longer than MaxFileBytes raises EJPEG before anything is read.
    void LoadFromFile(const std::string& fileName);

    // --- drawing and clipboard ---------------------------------------------------------------
    // Stretches the bitmap over the rectangle, decoding it first if needed.
    void Draw(QPainter& painter, const QRect& rect);
    // The bitmap goes to (and comes from) the clipboard as an image.
    void SaveToClipboard();
    void LoadFromClipboard();

    // --- events ---------------------------------------------------------------------------------
    // Progress of compression and decoding.
    TJPEGProgressHandler OnProgress;

private:
    void DropDecodedBitmap();
    void Decode();

    std::shared_ptr<TJPEGData> fData;
    QImage fBitmap;
    bool fBitmapDecoded = false;  // the bitmap came from the data, not from an assignment
    TJPEGSettings fSettings;
    const std::atomic<bool>* fDecodeCancel = nullptr;
    std::chrono::steady_clock::time_point fDecodeDeadline = std::chrono::steady_clock::time_point::max();
};
