#include "net/TelnetFilter.h"

#include <cstring>

using namespace telnet;

namespace {

std::string Negotiation(unsigned char verb, unsigned char option)
{
    return std::string{static_cast<char>(IAC), static_cast<char>(verb), static_cast<char>(option)};
}

}  // namespace

std::string TTelnetFilter::SubNegotiationReply() const
{
    std::string reply{static_cast<char>(IAC), static_cast<char>(SB), static_cast<char>(fSubOption)};
    // Only a SEND request for the terminal type gets an answer with content.
    if (fSubOption == OptTerminalType && !fSubData.empty() && static_cast<unsigned char>(fSubData[0]) == TermTypeSend) {
        reply += static_cast<char>(TermTypeIs);
        reply += fTermType;
    }
    reply += static_cast<char>(IAC);
    reply += static_cast<char>(SE);
    return reply;
}

void TTelnetFilter::Process(const char* chunk, std::size_t length, std::string& output, const TReplySink& reply)
{
    std::size_t i = 0;
    while (i < length) {
        const unsigned char b = static_cast<unsigned char>(chunk[i]);
        switch (fState) {
        case FS_Data: {
            // Copy the run of plain text up to the next IAC in one go.
            const void* iac = std::memchr(chunk + i, IAC, length - i);
            const std::size_t end = iac ? static_cast<std::size_t>(static_cast<const char*>(iac) - chunk) : length;
            output.append(chunk + i, end - i);
            if (end < length)
                fState = FS_Command;
            i = end + 1;
            continue;
        }
        case FS_Command:
            // IAC IAC is one data byte 255; the verbs open a negotiation or a
            // sub-negotiation; any other command (NOP, GA, SE, ...) is dropped.
            if (b == IAC) {
                output += static_cast<char>(IAC);
                fState = FS_Data;
            } else if (b == SB) {
                fSubOption = 0;
                fSubData.clear();
                fState = FS_SubOption;
            } else if (b == WILL) {
                fState = FS_Will;
            } else if (b == WONT) {
                fState = FS_Wont;
            } else if (b == DO) {
                fState = FS_Do;
            } else if (b == DONT) {
                fState = FS_Dont;
            } else {
                fState = FS_Data;
            }
            break;
        case FS_Will:
            // The server may suppress go-ahead; it must not do anything else.
            if (reply)
                reply(Negotiation(b == OptSuppressGoAhead ? DO : DONT, b));
            fState = FS_Data;
            break;
        case FS_Wont:
            // A refusal is acknowledged.
            if (reply)
                reply(Negotiation(DONT, b));
            fState = FS_Data;
            break;
        case FS_Do:
            // The client offers its terminal type and nothing else.
            if (reply)
                reply(Negotiation(b == OptTerminalType ? WILL : WONT, b));
            fState = FS_Data;
            break;
        case FS_Dont:
            // A request to stop is acknowledged.
            if (reply)
                reply(Negotiation(WONT, b));
            fState = FS_Data;
            break;
        case FS_SubOption:
            // The byte after IAC SB names the option being sub-negotiated.
            fSubOption = b;
            fState = FS_SubData;
            break;
        case FS_SubData:
            // Parameter bytes are collected up to the cap; IAC may end them.
            if (b == IAC)
                fState = FS_SubDataCommand;
            else if (fSubData.size() < fSubDataLimit)
                fSubData += static_cast<char>(b);
            break;
        case FS_SubDataCommand:
            // IAC IAC is a parameter byte 255; IAC SE completes the
            // sub-negotiation and is answered; anything else abandons it.
            if (b == IAC) {
                if (fSubData.size() < fSubDataLimit)
                    fSubData += static_cast<char>(IAC);
                fState = FS_SubData;
            } else {
                if (b == SE && reply)
                    reply(SubNegotiationReply());
                fState = FS_Data;
            }
            break;
        }
        ++i;
    }
}

std::string TTelnetFilter::Process(const std::string& chunk, const TReplySink& reply)
{
    std::string output;
    output.reserve(chunk.size());
    Process(chunk.data(), chunk.size(), output, reply);
    return output;
}
