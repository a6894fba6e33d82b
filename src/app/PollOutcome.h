#pragma once

#include <string>

// The steps of the router dialogue, in the order they run.
enum class TPollStep {
  psNone,
  // The host, user name and password are checked before anything is sent.
  psCheckSettings,
  psConnect,
  psWaitUserPrompt,
  psSendUser,
  psWaitPasswordPrompt,
  psSendPassword,
  psWaitCommandPrompt,
  psSendCommand,
  psReceiveReply,
  psLogout,
};

// What the user would call the step, e.g. "wait for \"name :\"".
std::string PollStepName(TPollStep step);

// How a router dialogue went. A poll is a reading only when Captured is true;
// otherwise FailedStep names the first step that went wrong, with the socket's
// error code and text at that point (or the text of an exception).
struct TPollOutcome {
  bool Captured = false;
  TPollStep FailedStep = TPollStep::psNone;
  int ErrorCode = 0;
  std::string ErrorText;
  // The dialogue was cut off because the whole poll took too long.
  bool DeadlineExceeded = false;
};

// One line for the user, e.g. "connect failed: 10061 Connection refused".
std::string DescribeOutcome(const TPollOutcome& outcome);
