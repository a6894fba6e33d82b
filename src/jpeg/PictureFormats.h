#pragma once
// The picture formats the program can read, by file extension: what the save
// dialog asks to describe a file type and to preview a selected file. The
// registry is used from the user-interface thread only; the readers may run
// on any thread.

#include <QImage>
#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reads a picture file for a preview. False, with error set, when the file
// cannot be read or decoded; never throws.
using TPictureReader = bool (*)(const std::string& fileName, QImage& picture, std::string& error);
// Reads a picture file for a preview box, decoding it smaller where the format
// can do that cheaply: picture is at least as large as box in both directions
// when the file's own picture is, and fullSize is the file's own size. Its
// work is bounded, and it gives up soon after cancel (if given) is set by
// another thread. False, with error set, as for TPictureReader; never throws.
using TPicturePreviewReader = bool (*)(const std::string& fileName, QSize box, QImage& picture, QSize& fullSize,
                                       std::string& error, const std::atomic<bool>* cancel);

struct TPictureFormat {
    std::string Extension;    // lower case, without the dot: "jpg"
    std::string Description;  // "JPEG Image File"
    TPictureReader Reader = nullptr;
    TPicturePreviewReader PreviewReader = nullptr;  // none: previews use Reader
};

// Adds a format; an extension that is there already gets the new one.
void RegisterPictureFormat(std::string_view extension, std::string_view description, TPictureReader reader,
                           TPicturePreviewReader previewReader = nullptr);
// Removes every extension of the reader.
void UnregisterPictureFormats(TPictureReader reader);
// The format of an extension ("jpg", ".JPG" and "photo.jpg" all find "jpg").
std::optional<TPictureFormat> FindPictureFormat(std::string_view extensionOrFileName);
// All formats, in the order they were registered.
std::vector<TPictureFormat> PictureFormats();
// A file dialog's filter for one extension: "JPEG Image File (*.jpg)";
// empty when the extension is not registered.
std::string PictureFilter(std::string_view extension);
