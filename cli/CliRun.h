// noxsteg-cli's work: reading the inputs as the window's panes read them, running one operation,
// writing the result as the window saves the Right pane, and reporting in the contract's terms.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace nox::cli {

// Runs the command line `args` (without the program name). Returns the exit status: 0 done,
// 1 an input, reader or writer error (its text the last line on `err`), 2 a usage error (the
// usage on `err`). Only info, --help and --version write to `out`.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace nox::cli
