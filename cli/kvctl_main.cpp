// kvctl: talk to one terminal from a shell.
//   kvctl [OPTION]... COMMAND [ARGS]; the options may also follow the command.
#include "cli/kvctl_commands.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunKvctl(args, std::cout, std::cerr);
}
