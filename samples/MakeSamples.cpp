// Makes the demonstration pictures: cover.bmp, a colourful 200 x 150 gradient to hide in, and
// secret.bmp, a black-and-white 200 x 150 picture with the word "NOX" in a frame. Usage:
// noxsteg_make_samples FOLDER
#include <cstdint>
#include <cstdio>
#include <string>

#include "files/PictureFiles.h"
#include "platform/Errors.h"

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 150;

// 5 x 7 letters, one row per byte, bit 4 the leftmost column.
constexpr uint8_t kN[7] = {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11};
constexpr uint8_t kO[7] = {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E};
constexpr uint8_t kX[7] = {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11};

nox::TColor32 Opaque(uint32_t red, uint32_t green, uint32_t blue) {
    return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

void MakeCover(nox::TBitmap32& pane) {
    pane.SetSize(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t red = static_cast<uint32_t>(x * 255 / (kWidth - 1));
            const uint32_t green = static_cast<uint32_t>(y * 255 / (kHeight - 1));
            const uint32_t blue = static_cast<uint32_t>(((x + y) * 3) % 256);
            pane.SetPixel(x, y, Opaque(red, green, blue));
        }
}

void MakeSecret(nox::TBitmap32& pane) {
    pane.SetSize(kWidth, kHeight);
    pane.Clear(Opaque(255, 255, 255));
    const uint8_t* const letters[3] = {kN, kO, kX};
    constexpr int kScale = 8, kLeft = 28, kTop = 47, kAdvance = 6 * kScale + 4;
    for (int i = 0; i < 3; ++i)
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                if (!((letters[i][row] >> (4 - col)) & 1)) continue;
                pane.FillRect(kLeft + i * kAdvance + col * kScale, kTop + row * kScale,
                              kLeft + i * kAdvance + (col + 1) * kScale - 1, kTop + (row + 1) * kScale - 1, Opaque(0, 0, 0));
            }
    // A frame four pixels wide, ten pixels in from the edges.
    for (int t = 0; t < 4; ++t) {
        pane.FillRect(10, 10 + t, kWidth - 11, 10 + t, Opaque(0, 0, 0));
        pane.FillRect(10, kHeight - 11 - t, kWidth - 11, kHeight - 11 - t, Opaque(0, 0, 0));
        pane.FillRect(10 + t, 10, 10 + t, kHeight - 11, Opaque(0, 0, 0));
        pane.FillRect(kWidth - 11 - t, 10, kWidth - 11 - t, kHeight - 11, Opaque(0, 0, 0));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: noxsteg_make_samples FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    try {
        nox::TBitmap32 cover, secret;
        MakeCover(cover);
        MakeSecret(secret);
        nox::WritePictureFile(folder + "/cover.bmp", cover, nox::TPictureFormat::pfBMP, 95);
        nox::WritePictureFile(folder + "/secret.bmp", secret, nox::TPictureFormat::pfBMP, 95);
    } catch (const nox::Exception& e) {
        std::fprintf(stderr, "%s\n", nox::ErrorBoxText(e.Message()).c_str());
        return 1;
    }
    return 0;
}
