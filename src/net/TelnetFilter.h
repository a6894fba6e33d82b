#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Where the command filter stands between two received bytes.
enum TTelnetState {
    FS_Data,           // plain text
    FS_Command,        // after IAC
    FS_Will,           // after IAC WILL
    FS_Wont,           // after IAC WONT
    FS_Do,             // after IAC DO
    FS_Dont,           // after IAC DONT
    FS_SubOption,      // after IAC SB, expecting the option code
    FS_SubData,        // collecting sub-negotiation parameters
    FS_SubDataCommand  // after IAC inside a sub-negotiation
};

// Telnet codes (RFC 854) and the options this client deals with.
namespace telnet {
constexpr unsigned char IAC = 255;
constexpr unsigned char DONT = 254;
constexpr unsigned char DO = 253;
constexpr unsigned char WONT = 252;
constexpr unsigned char WILL = 251;
constexpr unsigned char SB = 250;
constexpr unsigned char SE = 240;
constexpr unsigned char OptSuppressGoAhead = 3;
constexpr unsigned char OptTerminalType = 24;
constexpr unsigned char TermTypeIs = 0;
constexpr unsigned char TermTypeSend = 1;
}  // namespace telnet

// The telnet command filter as a pure state machine: received bytes go in,
// the text without telnet commands and the negotiation replies come out. It
// never touches a socket; its state carries over from one chunk to the next,
// so a command split across chunks is completed by the chunk that ends it.
// It agrees to the server suppressing go-ahead and to sending the terminal
// type, and refuses every other option.
class TTelnetFilter {
public:
    // Receives each reply as soon as the byte completing its command is seen.
    using TReplySink = std::function<void(const std::string& reply)>;

    // Sub-negotiation parameters kept at most; further bytes are dropped.
    static constexpr std::size_t MaxSubData = 64 * 1024;

    explicit TTelnetFilter(std::size_t subDataLimit = MaxSubData) : fSubDataLimit(subDataLimit) {}

    // Filters `length` bytes: appends the text to `output` (never more bytes
    // than went in) and hands every reply to `reply`.
    void Process(const char* chunk, std::size_t length, std::string& output, const TReplySink& reply);
    std::string Process(const std::string& chunk, const TReplySink& reply);

    // Back to plain text, as at the start of a new connection; SubOption and
    // SubData stay until the next IAC SB.
    void Reset() { fState = FS_Data; }

    // getters
    TTelnetState State() const { return fState; }
    unsigned char SubOption() const { return fSubOption; }
    const std::string& SubData() const { return fSubData; }
    const std::string& TermType() const { return fTermType; }
    std::size_t SubDataLimit() const { return fSubDataLimit; }

    // setters
    void SetTermType(const std::string& v) { fTermType = v; }

private:
    std::string SubNegotiationReply() const;

    TTelnetState fState = FS_Data;
    unsigned char fSubOption = 0;
    std::string fSubData;
    std::string fTermType = "DUMB";
    std::size_t fSubDataLimit;
};
