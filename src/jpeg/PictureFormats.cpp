#include "jpeg/PictureFormats.h"

#include <algorithm>
#include <cctype>

namespace {

std::vector<TPictureFormat>& Registry()
{
    static std::vector<TPictureFormat> formats;
    return formats;
}

// The part after the last dot, in lower case.
std::string ExtensionOf(std::string_view text)
{
    const std::size_t dot = text.rfind('.');
    if (dot != std::string_view::npos)
        text.remove_prefix(dot + 1);
    std::string extension(text);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

}  // namespace

void RegisterPictureFormat(std::string_view extension, std::string_view description, TPictureReader reader,
                           TPicturePreviewReader previewReader)
{
    const std::string key = ExtensionOf(extension);
    auto& formats = Registry();
    const auto same = std::find_if(formats.begin(), formats.end(), [&](const auto& f) { return f.Extension == key; });
    if (same != formats.end())
        formats.erase(same);
    formats.push_back(TPictureFormat{key, std::string(description), reader, previewReader});
}

void UnregisterPictureFormats(TPictureReader reader)
{
    auto& formats = Registry();
    std::erase_if(formats, [reader](const auto& f) { return f.Reader == reader; });
}

std::optional<TPictureFormat> FindPictureFormat(std::string_view extensionOrFileName)
{
    const std::string key = ExtensionOf(extensionOrFileName);
    for (const TPictureFormat& format : Registry())
        if (format.Extension == key)
            return format;
    return std::nullopt;
}

std::vector<TPictureFormat> PictureFormats()
{
    return Registry();
}

std::string PictureFilter(std::string_view extension)
{
    const auto format = FindPictureFormat(extension);
    if (!format)
        return {};
    return format->Description + " (*." + format->Extension + ")";
}
