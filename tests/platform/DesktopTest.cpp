// The helpers over the desktop services: filter lists, names of the program and its files, the
// standard error box, the cursor guard, and the scripted desktop that window tests rely on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>

#include "platform/Desktop.h"
#include "platform/Errors.h"

namespace nox {
namespace {

TEST(Desktop, FilterListsSplitIntoEntries) {
    EXPECT_EQ(ParseFilter("Image/Text files|*.jpg;*.gif;*.bmp;*.txt"),
              (std::vector<TFileFilter>{{"Image/Text files", {"*.jpg", "*.gif", "*.bmp", "*.txt"}}}));
    EXPECT_EQ(ParseFilter("BMP pictures|*.BMP|JPEG pictures|*.JPG|GIF pictures|*.GIF"),
              (std::vector<TFileFilter>{{"BMP pictures", {"*.BMP"}}, {"JPEG pictures", {"*.JPG"}}, {"GIF pictures", {"*.GIF"}}}));
    EXPECT_EQ(ParseFilter("All| *.a ; ;*.b |Lonely description|"), (std::vector<TFileFilter>{{"All", {"*.a", "*.b"}}}));
    EXPECT_EQ(ParseFilter(""), std::vector<TFileFilter>{});
    EXPECT_EQ(ParseFilter("Dangling"), std::vector<TFileFilter>{});
}

TEST(Desktop, NamesOfTheProgramAndItsFiles) {
    struct Case {
        const char *exe, *title, *folder, *file, *readMe;
    };
    const Case cases[] = {
        {"/usr/bin/noxsteg", "Noxsteg", "/usr/bin/", "noxsteg", "/usr/bin/ReadMe.Txt"},
        {"/opt/NoxSteg/NOXSTEG.EXE", "Noxsteg", "/opt/NoxSteg/", "NOXSTEG.EXE", "/opt/NoxSteg/ReadMe.Txt"},
        {"/a.b/noxSteg-Cli.1.2", "Noxsteg-cli", "/a.b/", "noxSteg-Cli.1.2", "/a.b/ReadMe.Txt"},
        {"noxsteg", "Noxsteg", "", "noxsteg", "ReadMe.Txt"},
        {"/.hidden", "", "/", ".hidden", "/ReadMe.Txt"},
        {"/trailing/", "", "/trailing/", "", "/trailing/ReadMe.Txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exe);
        EXPECT_EQ(ApplicationTitle(c.exe), c.title);
        EXPECT_EQ(ExtractFilePath(c.exe), c.folder);
        EXPECT_EQ(ExtractFileName(c.exe), c.file);
        EXPECT_EQ(ReadMeFileName(c.exe), c.readMe);
    }
}

TEST(Desktop, TheReadMeOfAnInstalledProgramIsFoundInItsDocumentationFolder) {
    char pattern[] = "/tmp/noxsteg-readme-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::filesystem::path root = pattern;
    std::filesystem::create_directories(root / "bin");
    std::filesystem::create_directories(root / "share/doc/noxsteg");
    const std::string exe = (root / "bin/noxsteg").string();
    // Neither exists: the name beside the program.
    EXPECT_EQ(ReadMeFileName(exe), (root / "bin/ReadMe.Txt").string());
    std::ofstream(root / "share/doc/noxsteg/ReadMe.Txt") << "read me";
    EXPECT_EQ(ReadMeFileName(exe), (root / "share/doc/noxsteg/ReadMe.Txt").string());
    // One beside the program wins.
    std::ofstream(root / "bin/ReadMe.Txt") << "read me too";
    EXPECT_EQ(ReadMeFileName(exe), (root / "bin/ReadMe.Txt").string());
    // Only a program in a "bin" folder looks elsewhere.
    std::filesystem::create_directories(root / "other");
    EXPECT_EQ(ReadMeFileName((root / "other/noxsteg").string()), (root / "other/ReadMe.Txt").string());
    std::filesystem::remove_all(root);
}

TEST(Desktop, TheErrorBoxIsCaptionedWithTheTitleAndEndsItsSentence) {
    TScriptedDesktop scripted;
    scripted.ProgramFile = "/usr/local/bin/noxsteg";
    TDesktop desktop = scripted.Desktop();
    ShowException(desktop, EInvalidGraphic("Bitmap image is not valid"));
    ShowException(desktop, EInvalidGraphic("Unknown picture file extension (.txt)"));
    ShowException(desktop, EAbort(""));
    ShowException(desktop, std::bad_alloc());
    ShowException(desktop, std::runtime_error("plain"));
    ShowMessage(desktop, "The file name did not have a recognized extension (\"BMP\", \"JPG\", or \"GIF\"): \"BMP\" was used.");
    EXPECT_EQ(scripted.Calls,
              (std::vector<std::string>{
                  "ShowError(Noxsteg|Bitmap image is not valid.)",
                  "ShowError(Noxsteg|Unknown picture file extension (.txt))",
                  "ShowError(Noxsteg|Out of memory.)",
                  "ShowError(Noxsteg|plain.)",
                  "ShowNote(Noxsteg|The file name did not have a recognized extension (\"BMP\", \"JPG\", or \"GIF\"): \"BMP\" was used.)",
              }));
}

TEST(Desktop, TheCursorGuardPutsBackTheCursorItFoundOnEveryPath) {
    TScriptedDesktop scripted;
    try {
        TCursorGuard outer(scripted);
        {
            TCursorGuard inner(scripted);
            EXPECT_EQ(scripted.Cursor(), TCursor::crHourGlass);
        }
        EXPECT_EQ(scripted.Cursor(), TCursor::crHourGlass);
        throw EReadError("Stream read error");
    } catch (const EReadError&) {
    }
    EXPECT_EQ(scripted.Cursor(), TCursor::crDefault);
    EXPECT_EQ(scripted.Calls, (std::vector<std::string>{"SetCursor(crHourGlass)", "SetCursor(crHourGlass)",
                                                        "SetCursor(crHourGlass)", "SetCursor(crDefault)"}));
}

TEST(Desktop, ScriptedDialogsAnswerInOrderAndCancelWhenTheScriptEnds) {
    TScriptedDesktop scripted;
    scripted.DialogAnswers = {std::string("/tmp/a.bmp"), std::nullopt};
    TDesktop desktop = scripted.Desktop();
    EXPECT_EQ(desktop.Dialogs.OpenFile("Open Left Picture", "Image/Text files|*.jpg"), "/tmp/a.bmp");
    EXPECT_EQ(desktop.Dialogs.SaveFile("", "BMP pictures|*.BMP"), std::nullopt);
    EXPECT_EQ(desktop.Dialogs.OpenFile("Open Middle Picture", "x|*.x"), std::nullopt);
    desktop.Shell.OpenDocument("/opt/noxsteg/bin/ReadMe.Txt");
    EXPECT_EQ(scripted.Calls, (std::vector<std::string>{"OpenFile(Open Left Picture|Image/Text files|*.jpg)",
                                                        "SaveFile(|BMP pictures|*.BMP)",
                                                        "OpenFile(Open Middle Picture|x|*.x)",
                                                        "OpenDocument(/opt/noxsteg/bin/ReadMe.Txt)"}));
    EXPECT_EQ(desktop.Screen.Width(), 1024);
    EXPECT_EQ(desktop.Screen.Height(), 768);
    EXPECT_EQ(&desktop.Clipboard, &scripted.MemoryClipboard);
}

}  // namespace
}  // namespace nox
