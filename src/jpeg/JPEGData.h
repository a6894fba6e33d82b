#pragma once

#include <optional>
#include <string>
#include <utility>

// The compressed form of a picture: the complete JPEG file image with the
// size and colour model it was made with. Images assigned from one another
// share one record (std::shared_ptr counts the holders) and never change
// bytes that are there; new bytes go into a new record.
class TJPEGData {
public:
    // getters
    // No bytes until the picture is compressed or read; an empty picture
    // compresses to bytes of length 0.
    bool HasBytes() const { return fBytes.has_value(); }
    const std::string& Bytes() const;
    int Width() const { return fWidth; }
    int Height() const { return fHeight; }
    bool Grayscale() const { return fGrayscale; }

    // setters
    void SetBytes(std::string bytes) { fBytes = std::move(bytes); }
    void SetSize(int width, int height);
    void SetGrayscale(bool v) { fGrayscale = v; }

private:
    std::optional<std::string> fBytes;
    int fWidth = 0;
    int fHeight = 0;
    bool fGrayscale = false;
};
