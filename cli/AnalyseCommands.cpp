// noxsteg-cli's detection command: `analyse FILE... [--json]` says for each picture what the
// chi-square attack, RS analysis and sample pair analysis find in each colour channel, and whether
// hidden data is likely.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "analysis/Detection.h"
#include "cli/CliCommand.h"
#include "cli/CliFiles.h"
#include "cli/CommandFamilies.h"

namespace nox::cli {

namespace {

struct TFileReport {
    std::string file;
    analysis::TDetection detection;
};

std::string Fixed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

// A JSON string: quotes, backslashes and control characters escaped; other bytes as they are (a
// file name in UTF-8 stays UTF-8).
std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + '"';
}

// The share as a whole percentage, at least 1 (the estimate lies above the threshold).
int Percent(double estimate) { return std::max(1, static_cast<int>(std::lround(estimate * 100))); }

void PrintLines(const TFileReport& report, std::ostream& out) {
    const analysis::TDetection& d = report.detection;
    for (size_t c = 0; c < analysis::kDetectionChannels.size(); ++c) {
        const analysis::TChannelDetection& channel = d.Channels[c];
        out << report.file << ' ' << analysis::ChannelLetter(analysis::kDetectionChannels[c]) << ": chi="
            << Fixed(channel.Chi) << " rs=" << Fixed(channel.Rs) << " spa=" << Fixed(channel.Spa) << '\n';
    }
    if (d.Likely) {
        out << report.file << ": hidden data likely (about " << Percent(d.Estimate) << " % of the pixels)\n";
    } else {
        out << report.file << ": no sign of LSB hiding\n";
    }
}

void PrintJson(const std::vector<TFileReport>& reports, std::ostream& out) {
    out << "[\n";
    for (size_t i = 0; i < reports.size(); ++i) {
        const analysis::TDetection& d = reports[i].detection;
        out << "  {\"file\": " << JsonString(reports[i].file) << ", \"channels\": {";
        for (size_t c = 0; c < analysis::kDetectionChannels.size(); ++c) {
            const analysis::TChannelDetection& channel = d.Channels[c];
            out << (c ? ", " : "") << '"' << analysis::ChannelLetter(analysis::kDetectionChannels[c]) << "\": {\"chi\": "
                << Fixed(channel.Chi) << ", \"rs\": " << Fixed(channel.Rs) << ", \"spa\": " << Fixed(channel.Spa) << '}';
        }
        out << "}, \"estimate\": " << Fixed(d.Estimate) << ", \"verdict\": \"" << (d.Likely ? "likely" : "none") << "\"}"
            << (i + 1 < reports.size() ? "," : "") << '\n';
    }
    out << "]\n";
}

}  // namespace

const char* const kAnalyseUsage = "  noxsteg-cli analyse   FILE... [--json]\n";

bool RunAnalyseCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
    if (args.empty() || args[0] != "analyse") return false;
    bool json = false;
    bool optionsEnded = false;
    std::vector<std::string> files;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            files.push_back(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "--json") {
            json = true;
        } else {
            throw TUsageError("unknown option \"" + a + "\"");
        }
    }
    if (files.empty()) throw TUsageError("analyse needs at least one FILE");
    // The lines of each file go out as soon as it is done; the JSON array only once every file
    // has been read, so that a bad file never leaves half an array behind.
    std::vector<TFileReport> reports;
    for (const std::string& file : files) {
        TBitmap32 picture;
        LoadInput(file, picture);
        TFileReport report{file, *analysis::Detect(picture)};
        if (json) {
            reports.push_back(std::move(report));
        } else {
            PrintLines(report, out);
        }
    }
    if (json) PrintJson(reports, out);
    return true;
}

}  // namespace nox::cli
