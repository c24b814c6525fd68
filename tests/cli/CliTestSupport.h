// Shared by the CLI tests: a run in this process, a scratch folder, small BMP inputs built from
// panes, and the pixel bytes of a written BMP.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "files/PictureFiles.h"
#include "platform/Stream.h"

namespace nox::test {

// One run of noxsteg-cli in this process: its exit status and what it wrote.
struct TCliResult {
    int status;
    std::string out, err;
};

inline TCliResult RunCliInProcess(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = cli::RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

class CliFolder : public testing::Test {
protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("noxsteg-cli-" + std::string(info->test_suite_name()) + "-" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // A one-row BMP of the given pixels (red, green, blue each).
    std::string WriteRow(const std::string& name, const std::vector<uint32_t>& rgb) const {
        TBitmap32 pane;
        pane.SetSize(static_cast<int32_t>(rgb.size()), 1);
        for (size_t x = 0; x < rgb.size(); ++x) pane.SetPixel(static_cast<int32_t>(x), 0, 0xFF000000u | rgb[x]);
        WritePictureFile(Path(name), pane, TPictureFormat::pfBMP, 95);
        return Path(name);
    }

    void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // The 32-bit values of a written BMP's pixel area, in file order (bottom row first).
    std::vector<uint32_t> StoredPixels(const std::string& name) const {
        const std::vector<uint8_t> bytes = ReadWholeFile(Path(name));
        std::vector<uint32_t> out;
        for (size_t i = 54; i + 4 <= bytes.size(); i += 4)
            out.push_back(bytes[i] | (bytes[i + 1] << 8) | (bytes[i + 2] << 16) | (uint32_t{bytes[i + 3]} << 24));
        return out;
    }

    std::filesystem::path dir_;
};

}  // namespace nox::test
