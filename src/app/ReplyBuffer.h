#pragma once

#include <string>
#include <vector>

// The text a poll collects from the router, kept as a list of lines. Lines are
// separated by CR LF; the whole text is every line followed by CR LF, so that
// a final empty line after the last line break does not count as a line.
class TReplyBuffer {
public:
    TReplyBuffer() = default;
    explicit TReplyBuffer(const std::string& text);

    // list operations
    void Clear();
    // Adds the text as the next line; CR LF pairs inside it start further lines,
    // as if the text and a line break had been typed at the end of the buffer.
    void Append(const std::string& text);
    int Count() const;
    // Index 0..Count()-1; anything else throws std::out_of_range.
    const std::string& Line(int index) const;
    void SetLine(int index, const std::string& text);

    // whole text
    std::string Text() const;
    void SetText(const std::string& text);

private:
    // data
    std::vector<std::string> FLines;
};
