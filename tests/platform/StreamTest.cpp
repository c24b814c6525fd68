// Exact reads and writes, file errors, and the replace-when-complete writer.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/Errors.h"
#include "platform/Stream.h"

namespace nox {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "noxsteg-stream-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(MemoryStream, ExactReadPastTheEndIsAReadError) {
    TMemoryStream s(std::vector<uint8_t>{1, 2, 3});
    uint8_t buf[4] = {};
    s.ReadBuffer(buf, 2);
    EXPECT_EQ(buf[1], 2);
    EXPECT_EQ(s.Remaining(), 1);
    try {
        s.ReadBuffer(buf, 2);
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
    }
}

TEST(MemoryStream, WritesGrowTheBufferAndViewsRefuseWrites) {
    TMemoryStream s;
    s.WriteBuffer("abc", 3);
    s.SetPosition(1);
    s.WriteBuffer("XYZ", 3);
    EXPECT_EQ(std::string(s.Bytes().begin(), s.Bytes().end()), "aXYZ");
    const uint8_t fixed[2] = {9, 8};
    auto view = TMemoryStream::View(fixed);
    EXPECT_THROW(view.WriteBuffer("x", 1), EWriteError);
    EXPECT_EQ(view.Size(), 2);
}

TEST(FileStream, OpenAndCreateErrorsNameThePath) {
    TempDir dir;
    const std::string missing = dir / "missing.bmp";
    try {
        TFileStream s(missing, TFileStream::Mode::fmOpenRead);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), "Cannot open file " + missing);
    }
    const std::string inMissingFolder = dir / "no/such/folder/out.bmp";
    try {
        WriteFileReplacing(inMissingFolder, [](TStream&) {});
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + inMissingFolder);
    }
    // A folder is no file to open or to replace.
    EXPECT_THROW(TFileStream(dir.path().string(), TFileStream::Mode::fmOpenRead), EFOpenError);
    EXPECT_THROW(WriteFileReplacing(dir.path().string(), [](TStream&) {}), EFCreateError);
}

TEST(WriteFileReplacing, ReplacesTheTargetOnlyWhenTheWriteCompletes) {
    TempDir dir;
    const std::string target = dir / "picture.bmp";
    WriteFileReplacing(target, [](TStream& out) { out.WriteBuffer("old contents", 12); });
    EXPECT_EQ(Slurp(target), "old contents");

    EXPECT_THROW(WriteFileReplacing(target,
                                    [](TStream& out) {
                                        out.WriteBuffer("half", 4);
                                        throw EWriteError("Stream write error");
                                    }),
                 EWriteError);
    EXPECT_EQ(Slurp(target), "old contents");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);

    WriteFileReplacing(target, [](TStream& out) { out.WriteBuffer("new", 3); });
    EXPECT_EQ(Slurp(target), "new");
}

TEST(WriteFileReplacing, KeepsTheModeOfTheFileItReplaces) {
    TempDir dir;
    const std::string target = dir / "keep.bin";
    WriteFileReplacing(target, [](TStream& out) { out.WriteBuffer("x", 1); });
    ::chmod(target.c_str(), 0640);
    WriteFileReplacing(target, [](TStream& out) { out.WriteBuffer("y", 1); });
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(WriteFileReplacing, AFullFileSystemIsAWriteErrorAndLeavesTheTargetAlone) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TFileStream full("/dev/full", TFileStream::Mode::fmCreate);
    const char data[8192] = {};
    try {
        full.WriteBuffer(data, sizeof data);
        FAIL() << "no error";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
    }
}

}  // namespace
}  // namespace nox
