#include <gtest/gtest.h>

#include "aids/AidsStore.h"
#include "components/FormMisc.h"
#include "docs/VersionCapture.h"
#include "support/OddFiles.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"

TEST(BuiltFile, ReplacesTheProjectsOwnExtensionWhateverItsCase) {
    TempDir temp;
    const QString project = temp.write("App.DPR", "program App;");
    EXPECT_EQ(ink::BuiltFileFor(project), temp.filePath("App.dll")); // no executable yet
    temp.write("App.exe", "MZ");
    EXPECT_EQ(ink::BuiltFileFor(project), temp.filePath("App.exe"));
    // A Lazarus project, or any file chosen in its place.
    EXPECT_EQ(ink::BuiltFileFor(temp.filePath("App.lpr")), temp.filePath("App.exe"));
}

TEST(BuiltFile, OnlyTheFileNamesExtensionCounts) {
    TempDir temp;
    const QString project = temp.write("x.dproj/tool.dpr", "program tool;");
    EXPECT_EQ(ink::BuiltFileFor(project), temp.filePath("x.dproj/tool.dll"));
    EXPECT_EQ(ink::BuiltFileFor(temp.filePath("x.dproj/noext")),
              temp.filePath("x.dproj/noext.dll"));
    EXPECT_EQ(ink::BuiltFileFor(QStringLiteral("C:\\Work.d\\App")),
              QStringLiteral("C:\\Work.d\\App.dll"));
}

class VersionCaptureTest : public AidsStore {};

// A pipe in place of the built program is no file: the capture gives the
// path with empty strings, as for a missing file, and does not wait on it.
TEST_F(VersionCaptureTest, APipeInPlaceOfTheProgramIsNoFile) {
    using namespace std::chrono_literals;
    const QString project = temp.write("App/App.dpr", "program App;");
    const QString exe = MakeFifo(temp.filePath("App/App.exe"));
    const QString dll = MakeFifo(temp.filePath("App/App.dll"));
    EXPECT_EQ(ink::BuiltFileFor(project), dll); // a pipe named .exe is passed over
    addDocument(project);
    ink::TFormMisc misc;
    ASSERT_TRUE(ReturnsWithin(5s, {exe, dll}, [&] { ink::CaptureVersionInfo(*dm, misc); }));
    EXPECT_TRUE(dm->tblDocsisVerInfo->asBoolean());
    EXPECT_EQ(storedValue(dm->tblDocs, "AppEXEName"), dll);
    EXPECT_EQ(storedValue(dm->tblDocs, "CompanyName"), "");
    EXPECT_EQ(storedValue(dm->tblDocs, "VersionNo"), "");
}
