// What inkwright-tool loads: the commands a script runs often (search,
// coverage ...) start with Qt Core and SQLite alone; the others, and the
// server client, are loaded when they are needed.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include "support/PrintQt.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

namespace {

// A run of `program` with the dynamic loader naming every library it
// starts (glibc's LD_DEBUG); empty where the loader does not say.
ToolRun runWatchingLibraries(const QString& program, const QStringList& args) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LD_DEBUG", "libs");
    process.setProcessEnvironment(environment);
    process.start(program, args);
    process.waitForFinished(120000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

class ToolStartup : public ::testing::Test {
protected:
    void SetUp() override {
        temp.write("app/A.pas", "unit A;\ninterface\nprocedure Alpha;\nimplementation\nend.\n");
        const QString project =
            temp.write("app/P.dpr", "program P;\nuses\n  A in 'A.pas';\nbegin\nend.\n");
        ASSERT_EQ(runTool({"build", project, "--data", data()}).status, 0);
    }
    QString data() const { return temp.filePath("data"); }

    TempDir temp;
};

} // namespace

TEST_F(ToolStartup, AReadingCommandLoadsNeitherGuiNorFontsNorTheServerClient) {
    const ToolRun search = runWatchingLibraries(toolPath(), {"search", "alph", "--data", data()});
    if (!search.err.contains("calling init"))
        GTEST_SKIP() << "the dynamic loader does not name the libraries it loads";
    EXPECT_EQ(search.status, 0);
    EXPECT_EQ(search.out, "P\tA.pas\tAlpha\t\n");
    for (const char* library : {"libQt6Gui", "libfontconfig", "libharfbuzz", "libenchant", "libpq",
                                "inkwright-tool-commands"})
        EXPECT_FALSE(search.err.contains(library)) << library;
    const ToolRun coverage = runWatchingLibraries(toolPath(), {"coverage", "1", "--data", data()});
    EXPECT_EQ(coverage.status, 0);
    EXPECT_FALSE(coverage.err.contains("libQt6Gui"));
    EXPECT_FALSE(coverage.err.contains("libpq"));

    // The export lays out pages: it loads them.
    const ToolRun exported = runWatchingLibraries(
        toolPath(), {"export", "1", "--data", data(), "--out", temp.filePath("r.pdf")});
    EXPECT_EQ(exported.status, 0);
    EXPECT_TRUE(exported.err.contains("inkwright-tool-commands"));
    EXPECT_TRUE(exported.err.contains("libQt6Gui"));
    EXPECT_TRUE(QFile::exists(temp.filePath("r.pdf")));
}

// A build's and a refresh's memory is what a large project is measured by:
// Qt GUI, fonts and the components would add a tenth to it.
TEST_F(ToolStartup, BuildAndRefreshLoadNeitherGuiNorTheCommandsLibrary) {
    temp.write("app/B.pas", "unit B;\ninterface\nprocedure Beta;\nimplementation\nend.\n");
    const QString project =
        temp.write("app/Q.dpr", "program Q;\nuses\n  B in 'B.pas';\nbegin\nend.\n");
    const ToolRun built = runWatchingLibraries(toolPath(), {"build", project, "--data", data()});
    if (!built.err.contains("calling init"))
        GTEST_SKIP() << "the dynamic loader does not name the libraries it loads";
    EXPECT_EQ(built.status, 0) << qPrintable(built.err.right(2000));
    EXPECT_TRUE(built.out.startsWith("docno\t2\tunits\t1\troutines\t1")) << qPrintable(built.out);
    const ToolRun refreshed =
        runWatchingLibraries(toolPath(), {"refresh", "2", "--data", data(), "--full"});
    EXPECT_EQ(refreshed.status, 0) << qPrintable(refreshed.err.right(2000));
    for (const ToolRun& run : {built, refreshed})
        for (const char* library : {"libQt6Gui", "libQt6Widgets", "libfontconfig", "libenchant",
                                    "inkwright-tool-commands"})
            EXPECT_FALSE(run.err.contains(library)) << library;
}

// The program without the library beside it still runs its own commands;
// the others say what is missing, and fail.
TEST_F(ToolStartup, WithoutItsCommandsLibraryTheOtherCommandsSaySo) {
    const QString alone = temp.filePath("alone/inkwright-tool");
    ASSERT_TRUE(QDir().mkpath(temp.filePath("alone")));
    ASSERT_TRUE(QFile::copy(toolPath(), alone));
    QProcess search;
    search.start(alone, {"search", "alph", "--data", data()});
    search.waitForFinished(60000);
    EXPECT_EQ(search.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(search.readAllStandardOutput()), "P\tA.pas\tAlpha\t\n");

    QProcess exported;
    exported.start(alone, {"export", "1", "--data", data(), "--out", temp.filePath("r.pdf")});
    exported.waitForFinished(60000);
    EXPECT_EQ(exported.exitCode(), 1);
    EXPECT_TRUE(
        exported.readAllStandardError().startsWith("inkwright-tool: cannot load its commands: "));
    EXPECT_FALSE(QFile::exists(temp.filePath("r.pdf")));
}

// The help lists every command, the program's and the library's, by name.
TEST(ToolHelp, ListsEveryCommandByName) {
    const ToolRun help = runTool({"help"});
    EXPECT_EQ(help.status, 0);
    QStringList names;
    for (const QString& line : help.out.split('\n'))
        if (line.startsWith("  "))
            names << line.trimmed().section(' ', 0, 0);
    QStringList sorted = names;
    sorted.sort();
    EXPECT_EQ(names, sorted);
    for (const char* name : {"build", "coverage", "export", "refresh", "search", "verinfo"})
        EXPECT_TRUE(names.contains(name)) << name;
}
