#include "poll/PollArguments.h"

#include <functional>
#include <map>

#include "monitor/ToneTableFile.h"

namespace {

// An option: whether it takes a value, and what it does with it.
struct TOption {
  bool TakesValue;
  std::function<std::string(TPollArguments&, const std::string& value)> Apply;  // returns an error or ""
};

const std::map<std::string, TOption>& Options() {
  static const std::map<std::string, TOption> options = {
      {"--password-stdin", {false, [](TPollArguments& a, const std::string&) {
                              a.PasswordFromStdin = true;
                              return std::string();
                            }}},
      {"--help", {false, [](TPollArguments& a, const std::string&) {
                    a.ShowHelp = true;
                    return std::string();
                  }}},
      {"--png", {true, [](TPollArguments& a, const std::string& file) {
                   a.PngFile = file;
                   return file.empty() ? std::string("--png needs a file name") : std::string();
                 }}},
      {"--svg", {true, [](TPollArguments& a, const std::string& file) {
                   a.SvgFile = file;
                   return file.empty() ? std::string("--svg needs a file name") : std::string();
                 }}},
      {"--range", {true, [](TPollArguments& a, const std::string& text) {
                     const auto range = ParseToneRange(text);
                     if (!range) return "unknown range " + text + " (0-255, 256-512 or 0-512)";
                     a.Range = *range;
                     return std::string();
                   }}},
      {"--size", {true, [](TPollArguments& a, const std::string& text) {
                    const auto size = ParseChartSize(text);
                    if (!size) return "bad size " + text + " (WIDTHxHEIGHT, 1 to 10000 pixels each)";
                    a.Width = size->Width;
                    a.Height = size->Height;
                    return std::string();
                  }}},
      {"--table", {true, [](TPollArguments& a, const std::string& file) {
                     a.TableFile = file;
                     return file.empty() ? std::string("--table needs a file name") : std::string();
                   }}},
  };
  return options;
}

}  // namespace

std::string PollUsage() {
  return "usage: quillmont-poll [--password-stdin] [PICTURE OPTIONS] HOST[:PORT] [USER]\n"
         "       quillmont-poll --table FILE [PICTURE OPTIONS]\n"
         "  password from $QUILLMONT_PASSWORD, or from the first line of standard input with --password-stdin\n"
         "  --table FILE            a table saved as CSV (tone,bits) instead of a poll\n"
         "  --png FILE, --svg FILE  draw the monitor chart of the table into a PNG or SVG file\n"
         "  --range 0-255|256-512|0-512  tones of the chart (default 0-255)\n"
         "  --size WIDTHxHEIGHT     size of the chart in pixels (default 696x237)\n";
}

TPollArgumentsResult ParsePollArguments(const std::vector<std::string>& args) {
  TPollArgumentsResult result;
  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // "--name=value" and "--name value" both work for options with a value.
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (name == "--password" || name == "-p") {
      result.Error = "the password is never taken from the command line: use QUILLMONT_PASSWORD or --password-stdin";
      return result;
    }
    const auto option = Options().find(name);
    if (option == Options().end()) {
      result.Error = "unknown option " + name;
      return result;
    }
    std::string value;
    if (option->second.TakesValue) {
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        result.Error = "option " + name + " needs a value";
        return result;
      }
    } else if (equals != std::string::npos) {
      result.Error = "option " + name + " takes no value";
      return result;
    }
    result.Error = option->second.Apply(result.Arguments, value);
    if (!result.Error.empty()) return result;
  }
  if (result.Arguments.ShowHelp) return result;

  if (!result.Arguments.TableFile.empty()) {
    if (!operands.empty()) result.Error = "--table draws a saved table: no HOST or USER";
    return result;
  }

  if (operands.empty() || operands.size() > 2) {
    result.Error = operands.empty() ? "missing HOST" : "too many arguments";
    return result;
  }
  if (operands[0].empty()) {
    result.Error = "empty HOST";
    return result;
  }
  result.Arguments.Host = operands[0];
  if (operands.size() == 2) result.Arguments.User = operands[1];
  return result;
}
