// What the tests of opening and saving, start-up and shut-down, and the clipboard share: a window
// over the scripted desktop whose settings file lives in a temporary folder of its own, and small
// helpers for files and pixels.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "files/PictureFiles.h"
#include "platform/IniFile.h"
#include "tests/view/QtTestApp.h"

namespace nox::test {

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string ReadText(const std::string& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::vector<TColor32> Pixels(const TBitmap32& bitmap) {
    std::vector<TColor32> pixels;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) pixels.push_back(bitmap.GetPixel(x, y));
    return pixels;
}

// A picture whose colour bytes differ from pixel to pixel, least significant bits included, with
// an alpha byte that is not 255 (every reader and paste must make it 255).
inline void FillPattern(TBitmap32& bitmap, int width, int height) {
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, 0x12000000u | static_cast<TColor32>((x * 37 + y) & 0xFF) << 16 |
                                      static_cast<TColor32>((y * 11 + 3 * x) & 0xFF) << 8 | static_cast<TColor32>((x ^ y) & 0xFF));
}

inline std::vector<TColor32> Opaque(std::vector<TColor32> pixels) {
    for (TColor32& p : pixels) p |= 0xFF000000u;
    return pixels;
}

// A folder of its own for every test: the settings file ($XDG_CONFIG_HOME/NoxSteg.INI) and the
// picture files live there.
class TProgramFolder {
public:
    TProgramFolder() {
        EXPECT_TRUE(dir_.isValid());
        ::setenv("XDG_CONFIG_HOME", Path("config").c_str(), 1);
    }
    std::string Path(const std::string& name) const { return dir_.filePath(QString::fromStdString(name)).toStdString(); }
    std::string Settings() const { return Path("config/NoxSteg.INI"); }

private:
    QTemporaryDir dir_;
};

// A window over the scripted desktop, its settings file in a temporary folder.
class ProgramTest : public ::testing::Test {
protected:
    ProgramTest() { RegisterPictureFormats(); }

    QApplication& app = TestApplication();  // before any widget
    TProgramFolder folder;
    TScriptedDesktop desktop;
    TDesktop services = desktop.Desktop();
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>(services);

    std::string Path(const std::string& name) const { return folder.Path(name); }
    // Writes `pane` to a picture file by the format of its name.
    void WritePicture(const std::string& path, TBitmap32& pane, int quality = 90) {
        WritePictureFile(path, pane, FormatOfName(path), quality);
    }
};

}  // namespace nox::test
