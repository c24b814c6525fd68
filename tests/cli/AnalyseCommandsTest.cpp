// noxsteg-cli analyse: the exact lines and JSON text of the contract on a clean picture and one
// whose every low bit is random, and its usage and input errors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>

#include "analysis/Detection.h"
#include "cli/CliCommand.h"
#include "cli/CliRun.h"
#include "tests/cli/CliTestSupport.h"

namespace nox::cli {
namespace {

class AnalyseCommand : public test::CliFolder {
protected:
    // A smooth 128 x 96 picture with a little noise; `hidden`: every low bit then random.
    std::string WritePicture(const std::string& name, bool hidden) {
        TBitmap32 pane;
        pane.SetSize(128, 96);
        std::mt19937 random(3);
        std::normal_distribution<double> noise(0, 1.5);
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 128; ++x) {
                const auto v = [&](double period) {
                    return uint32_t(std::clamp(128 + 80 * std::sin(x / period) * std::cos(y / 17.0) + noise(random), 0.0, 255.0));
                };
                uint32_t pixel = 0xFF000000u | v(11) << 16 | v(13) << 8 | v(15);
                if (hidden) pixel = (pixel & ~0x010101u) | (random() & 0x010101u);
                pane.SetPixel(x, y, pixel);
            }
        WritePictureFile(Path(name), pane, TPictureFormat::pfBMP, 95);
        detections_.push_back(*analysis::Detect(pane));
        return Path(name);
    }

    int Run(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        return RunCli(args, out_, err_);
    }

    static std::string F(double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.4f", v);
        return text;
    }

    std::vector<analysis::TDetection> detections_;
    std::ostringstream out_, err_;
};

TEST_F(AnalyseCommand, LinesAndJson) {
    const std::string clean = WritePicture("clean.bmp", false), hidden = WritePicture("hidden.bmp", true);
    const analysis::TDetection &c = detections_[0], &h = detections_[1];
    ASSERT_FALSE(c.Likely);
    ASSERT_TRUE(h.Likely);
    ASSERT_EQ(Run({"analyse", clean, hidden}), 0);
    std::string lines;
    for (const auto& [file, d] : {std::pair{clean, c}, std::pair{hidden, h}})
        for (size_t k = 0; k < 3; ++k)
            lines += file + ' ' + "rgb"[k] + ": chi=" + F(d.Channels[k].Chi) + " rs=" + F(d.Channels[k].Rs) +
                     " spa=" + F(d.Channels[k].Spa) + '\n' +
                     (k < 2 ? "" : d.Likely ? file + ": hidden data likely (about " + std::to_string(std::lround(d.Estimate * 100)) + " % of the pixels)\n"
                                            : file + ": no sign of LSB hiding\n");
    EXPECT_EQ(out_.str(), lines);
    EXPECT_GE(h.Estimate, 0.75);

    ASSERT_EQ(Run({"analyse", "--json", clean, hidden}), 0);
    std::string json = "[\n";
    for (const auto& [file, d] : {std::pair{clean, c}, std::pair{hidden, h}}) {
        json += "  {\"file\": \"" + file + "\", \"channels\": {";
        for (size_t k = 0; k < 3; ++k)
            json += std::string(k ? ", " : "") + '"' + "rgb"[k] + "\": {\"chi\": " + F(d.Channels[k].Chi) +
                    ", \"rs\": " + F(d.Channels[k].Rs) + ", \"spa\": " + F(d.Channels[k].Spa) + "}";
        json += "}, \"estimate\": " + F(d.Estimate) + ", \"verdict\": \"" + (d.Likely ? "likely" : "none") + "\"}" +
                (file == clean ? ",\n" : "\n");
    }
    EXPECT_EQ(out_.str(), json + "]\n");
}

TEST_F(AnalyseCommand, Errors) {
    const std::string clean = WritePicture("clean.bmp", false);
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"analyse"}, 2, "noxsteg-cli: analyse needs at least one FILE\n" + UsageText()},
        {{"analyse", clean, "--xml"}, 2, "noxsteg-cli: unknown option \"--xml\"\n" + UsageText()},
        // A missing file: no half-written JSON array on the output.
        {{"analyse", "--json", clean, Path("missing.bmp")}, 1, "Cannot open file " + Path("missing.bmp") + ".\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.args), c.status) << c.args.back();
        EXPECT_EQ(err_.str(), c.err);
        EXPECT_EQ(out_.str(), "");
    }
    EXPECT_NE(UsageText().find("  noxsteg-cli analyse   FILE... [--json]\n"), std::string::npos);
}

}  // namespace
}  // namespace nox::cli
