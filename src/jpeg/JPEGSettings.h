#pragma once

// Settings of a JPEG image. Writing uses quality, greyscale and progressive
// encoding; reading uses the others and greyscale.
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum TJPEGPixelFormat { jpf24Bit, jpf8Bit };
// Size at which a file is decoded: full, half, quarter or eighth.
enum TJPEGScale { jsFull, jsHalf, jsQuarter, jsEighth };

struct TJPEGSettings {
    int CompressionQuality = 90;  // 1..100
    bool Grayscale = false;
    // Writing: several scans. Reading a file sets it from the file.
    bool ProgressiveEncoding = false;
    TJPEGPerformance Performance = jpBestQuality;
    // Decoded bitmaps: 24-bit colour, or 8 bits through a colour map.
    TJPEGPixelFormat PixelFormat = jpf24Bit;
    // Accepted for completeness; decoding always delivers the finished picture.
    bool ProgressiveDisplay = false;
    TJPEGScale Scale = jsFull;
    bool Smoothing = true;
};

// The process-wide record that every new image copies its settings from.
TJPEGSettings& JPEGDefaults();
