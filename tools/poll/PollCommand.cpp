#include "poll/PollCommand.h"

#include <fstream>
#include <istream>
#include <ostream>

#include "app/RouterPoll.h"
#include "monitor/ToneTableFile.h"
#include "poll/PollArguments.h"
#include "poll/PollRender.h"

namespace {

// A table saved as CSV, or an error line.
bool ReadTableFile(const std::string& file, ToneBits& bits, std::ostream& err) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    err << "quillmont-poll: cannot read " << file << "\n";
    return false;
  }
  std::string error;
  const auto table = ReadToneTableCsv(in, error);
  if (!table) {
    err << "quillmont-poll: " << file << ": " << error << "\n";
    return false;
  }
  bits = *table;
  return true;
}

}  // namespace

void WriteToneBitsCsv(std::ostream& out, const ToneBits& bits) {
  std::string csv = "tone,bits\n";
  for (std::size_t tone = 0; tone < bits.size(); ++tone)
    csv += std::to_string(tone) + "," + std::to_string(bits[tone]) + "\n";
  out << csv;
}

int RunPollCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
                   const char* passwordVariable) {
  const TPollArgumentsResult parsed = ParsePollArguments(args);
  if (!parsed.Error.empty()) {
    err << "quillmont-poll: " << parsed.Error << "\n" << PollUsage();
    return PollExitUsage;
  }
  const TPollArguments& arguments = parsed.Arguments;
  if (arguments.ShowHelp) {
    out << PollUsage();
    return PollExitCaptured;
  }

  if (!arguments.TableFile.empty()) {
    ToneBits bits{};
    if (!ReadTableFile(arguments.TableFile, bits, err)) return PollExitFailed;
    WriteToneBitsCsv(out, bits);
    out.flush();
    return RenderPollPictures(bits, arguments, err) ? PollExitCaptured : PollExitFailed;
  }

  std::string password;
  if (arguments.PasswordFromStdin) {
    std::getline(in, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
  } else if (passwordVariable) {
    password = passwordVariable;
  }

  TReplyBuffer reply;
  const TPollOutcome outcome = FetchReply(arguments.Host, arguments.User, password, reply);
  ToneBits bits{};
  ParseReply(reply, bits);

  WriteToneBitsCsv(out, bits);
  out.flush();
  int exitCode = PollExitCaptured;
  if (!outcome.Captured) {
    err << "quillmont-poll: " << DescribeOutcome(outcome) << "\n";
    exitCode = PollExitFailed;
  }
  // The window draws whatever the poll left in the table, a failed poll's zeros too.
  if (!RenderPollPictures(bits, arguments, err)) exitCode = PollExitFailed;
  return exitCode;
}
