#include "poll/PollCommand.h"

#include <istream>
#include <ostream>

#include "app/RouterPoll.h"
#include "poll/PollArguments.h"

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
  if (!outcome.Captured) {
    err << "quillmont-poll: " << DescribeOutcome(outcome) << "\n";
    return PollExitFailed;
  }
  return PollExitCaptured;
}
