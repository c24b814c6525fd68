// Fuzz target: the settings-file reader. The input is a settings file; every key that start-up
// reads is read, then one of start-up's and shut-down's writes is made, after which the key
// written must read back as written while every other key keeps its value.
#include <unistd.h>

#include <array>
#include <cstdio>
#include <string>

#include "fuzz/FuzzCommon.h"
#include "platform/IniFile.h"

using namespace nox;

namespace {

struct Key {
    const char* Section;
    const char* Name;
};
// Every key the program reads, in start-up's order.
constexpr std::array<Key, 9> kKeys = {{{"FileName", "Left"},
                                       {"FileName", "Middle"},
                                       {"JPEG", "Quality"},
                                       {"Show", "ReadMe"},
                                       {"Image", "Mode"},
                                       {"Position", "Left"},
                                       {"Position", "Width"},
                                       {"Position", "Top"},
                                       {"Position", "Height"}}};

std::array<std::string, kKeys.size()> ReadAll(TIniFile& ini) {
    std::array<std::string, kKeys.size()> values;
    for (size_t i = 0; i < kKeys.size(); ++i) values[i] = ini.ReadString(kKeys[i].Section, kKeys[i].Name, "\x01missing");
    return values;
}

std::string ScratchFile() {
    // A memory-backed folder where there is one, so that the writes' flushes cost nothing.
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/noxsteg-fuzz-ini-" + std::to_string(getpid()) + ".INI";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = ScratchFile();
    FILE* f = std::fopen(path.c_str(), "wb");
    fuzz::Check(f != nullptr, "cannot create the scratch settings file");
    fuzz::Check(std::fwrite(data, 1, size, f) == size && std::fclose(f) == 0, "cannot write the scratch settings file");

    TIniFile ini(path);
    // Start-up's reads, with their defaults.
    ini.ReadString("FileName", "Left", "");
    ini.ReadString("FileName", "Middle", "");
    ini.ReadInteger("JPEG", "Quality", 95);
    ini.ReadInteger("Show", "ReadMe", 0);
    ini.ReadInteger("Image", "Mode", 1);
    ini.ReadInteger("Position", "Left", 119);
    ini.ReadInteger("Position", "Width", 786);
    ini.ReadInteger("Position", "Top", 151);
    ini.ReadInteger("Position", "Height", 466);

    // Start-up's and shut-down's writes; values taken from the input so that they vary.
    const int32_t number = size >= 4 ? int32_t(uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                                               uint32_t(data[3]) << 24)
                                     : -1;
    const std::string name = "/home/user/pictures/" + std::to_string(number) + ".bmp";
    // One of those writes per input (the input's size picks which), so that each run costs a few
    // file reads rather than a hundred.
    const size_t i = size % kKeys.size();
    const bool text = i < 2;
    const auto before = ReadAll(ini);
    const bool written = fuzz::Expect({"EIniFileException"}, [&] {
        if (text)
            ini.WriteString(kKeys[i].Section, kKeys[i].Name, name);
        else
            ini.WriteInteger(kKeys[i].Section, kKeys[i].Name, number);
    });
    const auto after = ReadAll(ini);
    if (written) {
        if (text)
            fuzz::Check(after[i] == name, "a written name reads back otherwise");
        else
            fuzz::Check(ini.ReadInteger(kKeys[i].Section, kKeys[i].Name, number ^ 1) == number,
                        "a written integer reads back otherwise");
    }
    for (size_t j = 0; j < kKeys.size(); ++j)
        if (j != i || !written) fuzz::Check(after[j] == before[j], "a write changed another key");
    std::remove(path.c_str());
    return 0;
}
