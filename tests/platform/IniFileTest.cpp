// The settings file: lookup rules, the integer rule, how a write rewrites the file, and what
// happens with files that cannot be written or were never meant to be read.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/Stream.h"

namespace nox {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "noxsteg-ini-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    std::string Put(const std::string& name, const std::string& contents) const {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }

    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Names of every entry of the folder (to find left-over temporary files).
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

TEST(SettingsInteger, FollowsTheIntegerRule) {
    struct Case {
        const char* text;
        std::optional<int32_t> value;
    };
    const Case cases[] = {
        {"500", 500},
        {"0x20", 32},
        {"0X20", 32},
        {"0x", std::nullopt},  // two characters only: read as decimal, which it is not
        {"0xG1", std::nullopt},
        {"abc", std::nullopt},
        {"-5", -5},
        {"+7", 7},
        {"$1F", 31},
        {"$1f", 31},
        {"-$10", -16},
        {"$", std::nullopt},
        {"-", std::nullopt},
        {"", std::nullopt},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"000000000000000000042", 42},
        {"0xFFFFFFFF", -1},
        {"0x80000000", INT32_MIN},
        {"0x100000000", std::nullopt},
        {"$FFFFFFFF", -1},
        {"12abc", std::nullopt},
        {"1 2", std::nullopt},
        {"1.5", std::nullopt},
        {"--5", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseSettingsInteger(c.text), c.value) << '"' << c.text << '"';
}

TEST_F(IniFileTest, ReadsMatchSectionsAndKeysWithoutRegardToCaseAndTrimValues) {
    const std::string path = Put("s.ini",
                                 "; a comment = not a key\n"
                                 "top=outside any section\n"
                                 "  [ FileName ]  \r\n"
                                 "  Left =  /home/u/cat.jpg  \r\n"
                                 "middle=\r\n"
                                 "[JPEG]\n"
                                 "Quality=0x20\n"
                                 "[fileNAME]\n"
                                 "Left=second section of the same name is not read\n"
                                 "Right=neither is this\n");
    TIniFile ini(path);
    struct Case {
        const char *section, *key, *expected;
    };
    const Case cases[] = {
        {"FileName", "Left", "/home/u/cat.jpg"},
        {"FILENAME", "LEFT", "/home/u/cat.jpg"},
        {"filename", "Middle", ""},            // present and empty: not the default
        {"FileName", "Right", "<default>"},    // only in the later section of the same name
        {"FileName", "top", "<default>"},      // keys above every section belong to none
        {"JPEG", "quality", "0x20"},
        {"Image", "Mode", "<default>"},
        {";", "a comment", "<default>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected) << c.section << "/" << c.key;
    EXPECT_EQ(ini.ReadInteger("jpeg", "QUALITY", 95), 32);
}

TEST_F(IniFileTest, IntegerReadsGiveTheDefaultForAnythingButAWholeInteger) {
    const std::string path = Put("i.ini",
                                 "[JPEG]\nA=500\nB=0x20\nC=abc\nD=-5\nE=$1F\nF=4294967296\nG=\nH=  12  \n");
    TIniFile ini(path);
    const std::pair<const char*, int32_t> cases[] = {{"A", 500}, {"B", 32}, {"C", 95}, {"D", -5},
                                                     {"E", 31},  {"F", 95}, {"G", 95}, {"H", 12}, {"Missing", 95}};
    for (const auto& [key, value] : cases) EXPECT_EQ(ini.ReadInteger("JPEG", key, 95), value) << key;
}

TEST_F(IniFileTest, AMissingFileGivesEveryDefaultAndIsCreatedByTheFirstWrite) {
    const std::string path = PathOf("sub/folder/NoxSteg.INI");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("FileName", "Left", ""), "");
    EXPECT_EQ(ini.ReadInteger("Show", "ReadMe", 0), 0);
    ini.WriteInteger("Show", "ReadMe", 1);
    EXPECT_EQ(Contents(path), "[Show]\nReadMe=1\n");
    EXPECT_EQ(ini.ReadInteger("Show", "ReadMe", 0), 1);
}

TEST_F(IniFileTest, WritesKeepEveryOtherLineAndTheKeyOrder) {
    const std::string path = Put("w.ini",
                                 "; settings of a demonstrator\r\n"
                                 "[FileName]\r\n"
                                 "Left=/old/left.bmp\r\n"
                                 "Middle=/old/middle.gif\r\n"
                                 "\r\n"
                                 "[Position]\r\n"
                                 "Left=10\r\n"
                                 "; keep me\r\n"
                                 "Top=20\r\n"
                                 "\r\n"
                                 "[Other]\r\n"
                                 "Key=Value");  // no line break at the end
    TIniFile ini(path);
    ini.WriteString("filename", "LEFT", "/new/left.jpg");
    ini.WriteInteger("Position", "Width", 786);
    ini.WriteInteger("Position", "Top", -73);
    ini.WriteInteger("Other", "Extra", 7);
    ini.WriteInteger("Image", "Mode", -1);
    EXPECT_EQ(Contents(path),
              "; settings of a demonstrator\r\n"
              "[FileName]\r\n"
              "Left=/new/left.jpg\r\n"
              "Middle=/old/middle.gif\r\n"
              "\r\n"
              "[Position]\r\n"
              "Left=10\r\n"
              "; keep me\r\n"
              "Top=-73\r\n"
              "Width=786\r\n"
              "\r\n"
              "[Other]\r\n"
              "Key=Value\r\n"
              "Extra=7\r\n"
              "[Image]\r\n"
              "Mode=-1\r\n");
}

TEST_F(IniFileTest, ValuesLongerThanTheReadBufferAreCut) {
    const std::string longValue(5000, 'x');
    const std::string path = Put("l.ini", "[FileName]\nLeft=" + longValue + "\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("FileName", "Left", ""), std::string(2047, 'x'));
    // The write keeps the whole value in the file.
    ini.WriteString("FileName", "Middle", longValue);
    EXPECT_NE(Contents(path).find("Middle=" + longValue + "\n"), std::string::npos);
}

TEST_F(IniFileTest, ARefusedWriteNamesTheFileAsGivenAndChangesNothing) {
    // The parent of the file is a regular file, so no folder and no file can be made there (the
    // tests may run as root, for whom a read-only folder is no obstacle).
    Put("plain", "I am a file");
    const std::string path = PathOf("plain/NoxSteg.INI");
    TIniFile ini(path);
    try {
        ini.WriteInteger("Show", "ReadMe", 1);
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + path);
    }
    EXPECT_EQ(Contents(PathOf("plain")), "I am a file");
}

TEST_F(IniFileTest, ABareNameLivesInTheConfigFolderAndIsShownBareInTheError) {
    Put("plain", "");
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string savedValue = saved ? saved : "";
    const char* savedHome = std::getenv("HOME");
    const std::string savedHomeValue = savedHome ? savedHome : "";
    ::setenv("XDG_CONFIG_HOME", PathOf("plain").c_str(), 1);
    TIniFile ini("NoxSteg.INI");
    EXPECT_EQ(ini.Path(), PathOf("plain") + "/NoxSteg.INI");
    EXPECT_EQ(SettingsFileName(), PathOf("plain") + "/NoxSteg.INI");
    std::string message;
    try {
        ini.WriteString("FileName", "Left", "x");
    } catch (const EIniFileException& e) {
        message = e.Message();
    }
    EXPECT_EQ(message, "Unable to write to NoxSteg.INI");

    ::setenv("XDG_CONFIG_HOME", PathOf("cfg").c_str(), 1);
    TIniFile fresh("NoxSteg.INI");
    fresh.WriteInteger("JPEG", "Quality", 80);
    EXPECT_EQ(Contents(PathOf("cfg/NoxSteg.INI")), "[JPEG]\nQuality=80\n");
    struct stat st {};
    ASSERT_EQ(::stat(PathOf("cfg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ::setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(SettingsFileName(), "/home/someone/.config/NoxSteg.INI");
    if (saved) ::setenv("XDG_CONFIG_HOME", savedValue.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
    if (savedHome) ::setenv("HOME", savedHomeValue.c_str(), 1);
    else ::unsetenv("HOME");
}

TEST_F(IniFileTest, AWriteThatFailsHalfWayLeavesTheOldFileAndNoTemporaryFile) {
    const std::string old = "[JPEG]\nQuality=60\n";
    const std::string path = Put("NoxSteg.INI", old);
    TIniFile ini(path, [](TStream& out, std::string_view contents) {
        out.WriteBuffer(contents.data(), contents.size() / 2);
        throw EWriteError(msg::kWriteError);  // the program dies here
    });
    EXPECT_THROW(ini.WriteInteger("JPEG", "Quality", 95), EIniFileException);
    EXPECT_EQ(Contents(path), old);
    EXPECT_EQ(Entries(), std::vector<std::string>{"NoxSteg.INI"});
    EXPECT_EQ(ini.ReadInteger("JPEG", "Quality", 0), 60);
}

TEST_F(IniFileTest, ValuesThatCannotStayOnOneLineAreRefused) {
    const std::string old = "[FileName]\nLeft=/a.bmp\n";
    const std::string path = Put("n.ini", old);
    TIniFile ini(path);
    struct Case {
        const char *section, *key, *value;
    };
    const Case cases[] = {
        {"FileName", "Left", "/tmp/evil\n[Image]\nMode=2"},
        {"FileName", "Left", "carriage\rreturn"},
        {"File]Name", "Left", "x"},
        {"FileName", "Le=ft", "x"},
        {"FileName", "[Left", "x"},
        {"FileName", ";Left", "x"},
        {"", "Left", "x"},
        {"FileName", "  ", "x"},
    };
    for (const Case& c : cases) {
        EXPECT_THROW(ini.WriteString(c.section, c.key, c.value), EIniFileException) << c.section << "/" << c.key;
        EXPECT_EQ(Contents(path), old);
    }
}

TEST_F(IniFileTest, HostileFilesAreReadWithoutHarm) {
    // Binary bytes, a huge line, no line break at the end, a byte-order mark.
    std::string hostile = "\xEF\xBB\xBF[JPEG]\nQuality=42\n";
    hostile += std::string(1 << 20, '\0');
    hostile += "\n[Image]\n\x01\x02\xFF=\x80\nMode=";
    hostile += std::string(3 << 20, '7');
    const std::string path = Put("h.ini", hostile);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("JPEG", "Quality", 95), 42);
    EXPECT_EQ(ini.ReadInteger("Image", "Mode", 1), 1);  // far beyond 32 bits
    EXPECT_EQ(ini.ReadString("Image", "Mode", "").size(), 2047u);
    ini.WriteInteger("Image", "Mode", 2);
    // Only the value changed; the file still ends without a line break.
    EXPECT_TRUE(Contents(path) == hostile.substr(0, hostile.size() - (3 << 20)) + "2");
}

TEST_F(IniFileTest, FilesTooLargeOrNotRegularGiveDefaultsAndRefuseWrites) {
    const std::string big = Put("big.ini", "[JPEG]\nQuality=42\n" + std::string(TIniFile::kMaxFileSize, ';'));
    const std::string fifo = PathOf("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);  // opening it must not wait for a writer
    fs::create_directory(PathOf("folder.ini"));
    for (const std::string& path : {big, fifo, PathOf("folder.ini")}) {
        TIniFile ini(path);
        EXPECT_EQ(ini.ReadInteger("JPEG", "Quality", 95), 95) << path;
        EXPECT_THROW(ini.WriteInteger("JPEG", "Quality", 1), EIniFileException) << path;
    }
    EXPECT_EQ(fs::file_size(big), 18u + TIniFile::kMaxFileSize);
}

TEST_F(IniFileTest, ALinkedSettingsFileStaysLinked) {
    const std::string real = Put("real.ini", "[JPEG]\nQuality=10\n");
    const std::string link = PathOf("NoxSteg.INI");
    fs::create_symlink(real, link);
    TIniFile ini(link);
    ini.WriteInteger("JPEG", "Quality", 11);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(real), "[JPEG]\nQuality=11\n");
}

}  // namespace
}  // namespace nox
