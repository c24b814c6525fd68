// noxsteg-cli: the hiding operations on picture files from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliRun.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return nox::cli::RunCli(args, std::cout, std::cerr);
}
