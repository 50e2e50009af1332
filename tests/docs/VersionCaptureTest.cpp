#include <gtest/gtest.h>

#include "docs/VersionCapture.h"
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
