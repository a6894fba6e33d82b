// quillmont-poll: polls the router once and prints bits per tone as CSV.

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "poll/PollCommand.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return RunPollCommand(args, std::cin, std::cout, std::cerr, std::getenv("QUILLMONT_PASSWORD"));
}
