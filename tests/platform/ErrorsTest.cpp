// The error box's full-stop rule and the conversion error's text.
#include <gtest/gtest.h>

#include "platform/Errors.h"
#include "platform/Persistent.h"

namespace nox {
namespace {

TEST(ErrorBoxText, AddsAFullStopOnlyAfterCharactersSortingAfterIt) {
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"Bitmap image is not valid", "Bitmap image is not valid."},
        {"Unknown picture file extension (.txt)", "Unknown picture file extension (.txt)"},  // ')' < '.'
        {"JPEG error #52", "JPEG error #52."},                                                // '2' > '.'
        {"Ends with a stop.", "Ends with a stop."},
        {"dash-", "dash-"},  // '-' < '.'
        {"slash/", "slash/."},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
}

TEST(Persistent, AssignBetweenUnrelatedClassesNamesBothClasses) {
    struct TSource : TPersistent {
        const char* ClassName() const override { return "TSource"; }
    } source;
    struct TTarget : TPersistent {
        const char* ClassName() const override { return "TTarget"; }
    } target;
    try {
        target.Assign(&source);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TSource to a TTarget");
    }
    try {
        target.Assign(nullptr);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a nil to a TTarget");
    }
}

TEST(CheckAllocationSize, RefusesMoreThanTheMachineHas) {
    EXPECT_NO_THROW(CheckAllocationSize(1 << 20));
    try {
        CheckAllocationSize(1ULL << 62);
        FAIL() << "no error";
    } catch (const EOutOfMemory& e) {
        EXPECT_EQ(e.Message(), "Out of memory");
    }
}

}  // namespace
}  // namespace nox
