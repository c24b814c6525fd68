// The picture container's format registry.
#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/Picture.h"

namespace nox {
namespace {

TEST(Picture, UnknownExtensionNamesTheExtension) {
    TPicture picture;
    try {
        picture.LoadFromFile("/tmp/notes.TXT");
        FAIL() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Unknown picture file extension (.TXT)");
    }
    EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST(Picture, TheMostRecentRegistrationWinsAndLookUpIgnoresCase) {
    TPicture::RegisterFileFormat("zzq", "first", [] { return std::make_unique<TBitmap>(); });
    TPicture::RegisterFileFormat("ZZQ", "second", [] { return std::make_unique<TBitmap>(); });
    ASSERT_NE(TPicture::FindFormat(".Zzq"), nullptr);
    EXPECT_EQ(TPicture::FindFormat("zzq")->Description, "second");
    EXPECT_EQ(TPicture::FileFormats().front().Extension, "zzq");
}

TEST(Picture, BitmapReplacesAGraphicOfAnotherKind) {
    TPicture picture;
    EXPECT_EQ(picture.Bitmap().GetWidth(), 0);
    picture.Bitmap().SetSize(3, 2);
    EXPECT_EQ(picture.Width(), 3);
    TBitmap copy;
    copy.SetSize(5, 1);
    picture.Assign(&copy);
    EXPECT_EQ(picture.Width(), 5);
}

}  // namespace
}  // namespace nox
