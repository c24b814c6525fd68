// noxsteg-cli's commands over the shared picture-file layer and the hiding operations.
#include "cli/CliRun.h"

#include <array>
#include <new>
#include <ostream>
#include <string_view>

#include "cli/CliCommand.h"
#include "cli/CliFiles.h"
#include "cli/CommandFamilies.h"
#include "image/Combine.h"
#include "platform/Errors.h"

namespace nox::cli {

namespace {

using TCombine = void (*)(TBitmap32&, TBitmap32&, TBitmap32&);

struct TOperation {
    std::string_view name;
    TCombine combine;
};

constexpr std::array<TOperation, 5> kOperations = {{
    {"subtract", Subtract},
    {"add", Add},
    {"add-bit", AddBit},
    {"set-lsbs", SetLSBs},
    {"show-lsbs", ShowLSBs},
}};

void RunInfo(const TCliCommand& command, std::ostream& out) {
    for (const std::string& file : command.Files) {
        TBitmap32 pane;
        LoadInput(file, pane);
        out << file << ": " << pane.Width() << 'x' << pane.Height() << ' ' << FormatName(FormatOfName(file)) << '\n';
    }
}

void RunCommand(const TCliCommand& command, std::ostream& out, std::ostream& err) {
    if (command.Name == "info") {
        RunInfo(command, out);
        return;
    }
    const std::string& outName = command.Files.back();
    TBitmap32 left;
    LoadInput(command.Files[0], left);

    for (const TOperation& op : kOperations) {
        if (op.name != command.Name) continue;
        TBitmap32 middle, right;
        if (command.Files.size() == 3) {
            LoadInput(command.Files[1], middle);
        } else {
            middle.SetSize(1, 1);  // show-lsbs without MIDDLE: a Middle picture is present
        }
        op.combine(left, middle, right);
        SaveOutput(outName, right, command.Quality, err);
        return;
    }
    if (command.Name == "blacken") Blacken(left);
    if (command.Name == "whiten") Whiten(left);
    SaveOutput(outName, left, command.Quality, err);
}

// Runs `work` and turns what it throws into the contract's exit status and error lines: 2 and the
// usage for a usage error, 1 and the error box's text for anything else.
template <class Work>
int Guarded(Work work, std::ostream& out, std::ostream& err) {
    try {
        work();
        return 0;
    } catch (const TUsageError& e) {
        err << "noxsteg-cli: " << e.what() << '\n' << UsageText();
        return 2;
    } catch (const Exception& e) {
        err << ErrorBoxText(e.Message()) << '\n';
    } catch (const std::bad_alloc&) {
        err << ErrorBoxText(msg::kOutOfMemory) << '\n';
    } catch (const std::exception& e) {
        err << ErrorBoxText(e.what()) << '\n';
    }
    out.flush();
    return 1;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    for (const TCommandFamily& family : CommandFamilies()) {
        if (args.empty()) break;
        bool ran = false;
        const int status = Guarded([&] { ran = family.run(args, out, err); }, out, err);
        if (ran || status != 0) return status;
    }
    TCliCommand command;
    if (const int status = Guarded([&] { command = ParseCommandLine(args); }, out, err); status != 0) return status;
    switch (command.What) {
        case TCliCommand::Kind::Help:
            out << UsageText();
            return 0;
        case TCliCommand::Kind::Version:
            out << "noxsteg-cli " << NOXSTEG_VERSION << '\n';
            return 0;
        case TCliCommand::Kind::Run:
            break;
    }
    return Guarded([&] { RunCommand(command, out, err); }, out, err);
}

}  // namespace nox::cli
