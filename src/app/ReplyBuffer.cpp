#include "app/ReplyBuffer.h"

#include <stdexcept>
#include <string_view>

namespace {

// Splits at every CR LF pair. Lone CR or LF characters stay inside their line.
// The piece after the last line break is included even when it is empty.
std::vector<std::string> SplitAtLineBreaks(std::string_view text)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t brk = text.find("\r\n", start);
        if (brk == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            return pieces;
        }
        pieces.emplace_back(text.substr(start, brk - start));
        start = brk + 2;
    }
}

}  // namespace

TReplyBuffer::TReplyBuffer(const std::string& text)
{
    SetText(text);
}

void TReplyBuffer::Clear()
{
    FLines.clear();
}

void TReplyBuffer::Append(const std::string& text)
{
    for (std::string& piece : SplitAtLineBreaks(text))
        FLines.push_back(std::move(piece));
}

int TReplyBuffer::Count() const
{
    return static_cast<int>(FLines.size());
}

const std::string& TReplyBuffer::Line(int index) const
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("reply buffer line index out of range");
    return FLines[static_cast<std::size_t>(index)];
}

void TReplyBuffer::SetLine(int index, const std::string& text)
{
    if (index < 0 || index >= Count())
        throw std::out_of_range("reply buffer line index out of range");
    FLines[static_cast<std::size_t>(index)] = text;
}

std::string TReplyBuffer::Text() const
{
    std::size_t size = 0;
    for (const std::string& line : FLines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : FLines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void TReplyBuffer::SetText(const std::string& text)
{
    FLines = SplitAtLineBreaks(text);
    // The empty piece after a final line break (or of an empty text) is no line.
    if (FLines.back().empty())
        FLines.pop_back();
}
