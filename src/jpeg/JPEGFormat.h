#pragma once
// JPEG files as a picture format of the program: made known at start-up and
// forgotten at shut-down.

#include <QImage>
#include <atomic>
#include <chrono>
#include <string>

// Registers "jpeg" and then "jpg" as "JPEG Image File", read by
// ReadJPEGPicture and previewed through ReadJPEGPreview. With a screen of 8 bits per pixel or fewer, images
// created from then on decode to 8-bit bitmaps. Call after the
// QGuiApplication is made.
void RegisterJPEGFormat();
// Removes both extensions.
void UnregisterJPEGFormat();

// Decodes a JPEG file with the default settings, for a preview: false, with
// the reason in error, for a file that cannot be read or decoded (damaged,
// hostile, too large). Never throws.
bool ReadJPEGPicture(const std::string& fileName, QImage& picture, std::string& error);

// The longest a preview's decoding may take before it is given up. Far more
// than the largest picture within the decoder's limits needs (under half a
// second on a desktop computer); it bounds the work of what the decoder's
// limits let through on a slow one.
constexpr std::chrono::milliseconds JPEGPreviewTimeLimit{3000};

// Decodes a JPEG file for a preview box: reduced by the largest of the
// decoder's factors (1/2, 1/4, 1/8) that keeps the picture at least as large
// as the box in both directions, which is several times faster for a
// camera's picture than decoding it whole. fullSize is the picture's own
// size. The decoding is given up after JPEGPreviewTimeLimit, and soon after
// cancel (if given) is set. False, with the reason in error, as
// ReadJPEGPicture. Never throws; may run on any thread.
bool ReadJPEGPreview(const std::string& fileName, QSize box, QImage& picture, QSize& fullSize, std::string& error,
                     const std::atomic<bool>* cancel = nullptr);
