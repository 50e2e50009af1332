// The output of `inkwright-tool units` and `inkwright-tool routines`: other
// tools read it, so its layout is checked byte for byte.
#include "support/OddFiles.h"
#include "support/PrintQt.h"
#include "support/TempDir.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>
#include <QFileInfo>

TEST(ToolCommands, UnitsListsEntryFormAndPath) {
    TempDir dir;
    const QString project =
        dir.write("Project1.dpr",
                  "program Project1;\r\n\r\nuses\r\n  Forms,\r\n"
                  "  Unit1 in 'Unit1.pas' {Form1},\r\n"
                  "  Unit2 in 'Lib\\Unit2.pas' {DataModule2: TDataModule};\r\nbegin end.\r\n");
    const ToolRun run = runTool({"units", project});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Forms\tN/A\t\n"
                       "Unit1.pas\tForm1\tUnit1.pas\n"
                       "Unit2.pas\tDataModule2: TDataModule\tLib\\Unit2.pas\n");
    EXPECT_EQ(run.err, "");
}

TEST(ToolCommands, UnitsReportsAFileThatCannotBeOpened) {
    TempDir dir;
    const QString missing = dir.filePath("Missing.dpr");
    const ToolRun run = runTool({"units", missing});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, ("File " + missing + " could not be opened.\n"));
}

TEST(ToolCommands, RoutinesListsWhatANewDocumentStores) {
    TempDir dir;
    const QByteArray source =
        "unit Unit1;\ninterface\n"
        "function Count: Integer;\n"
        "procedure Clear;\n"
        "procedure Add(const S: string);\n"
        "function Clear(Full: Boolean): Boolean;\n" // stored once, as a procedure
        "implementation\nend.\n";
    const ToolRun run = runTool({"routines", dir.write("Unit1.pas", source)});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "PROCEDURE\tClear\t<None>\t<None>\n"
                       "PROCEDURE\tAdd\tconst S: string\t<None>\n"
                       "FUNCTION\tCount\t<None>\tInteger\n"
                       "size\t" +
                           QByteArray::number(source.size()) + "\n");
}

TEST(ToolCommands, RoutinesShowsThePlaceholders) {
    TempDir dir;
    // No procedures: the procedure placeholder comes first.
    EXPECT_EQ(runTool({"routines", dir.write("F.pas", "interface function F: Integer;")}).out,
              "PROCEDURE\tN/A\tN/A\t<None>\n"
              "FUNCTION\tF\t<None>\tInteger\n"
              "size\t30\n");
    // No procedures and no functions: one placeholder, as both have one name.
    const ToolRun empty = runTool({"routines", dir.write("Empty.pas", "")});
    EXPECT_EQ(empty.out, "PROCEDURE\tN/A\tN/A\t<None>\nsize\t0\n");
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.err, "");
}

TEST(ToolCommands, RoutinesSaysWhenTheFileCouldNotBeRead) {
    TempDir dir;
    // The placeholders a build would store, and the failure besides; a pipe
    // is no unit file and is not waited on.
    // A file that is not there has no reason to give; one that is, says why.
    const QList<std::pair<QString, QString>> cases = {
        {dir.filePath("Forms"), ""},
        {dir.path(), ": it is a folder"},
        {MakeFifo(dir.filePath("Pipe.pas")), ": it is a named pipe"}};
    for (const auto& [path, reason] : cases) {
        const ToolRun run = runTool({"routines", path});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "PROCEDURE\tN/A\tN/A\t<None>\nsize\t0\n");
        EXPECT_EQ(run.err, ("File " + path + " could not be read" + reason + ".\n"));
    }
}

TEST(ToolCommands, PipesAreNoProjectsAndNoPrograms) {
    TempDir dir;
    const QString project = MakeFifo(dir.filePath("Pipe.dpr"));
    const ToolRun units = runTool({"units", project});
    EXPECT_EQ(units.status, 1);
    EXPECT_EQ(units.err, ("File " + project + " could not be opened.\n"));

    const QString program = MakeFifo(dir.filePath("Pipe.dll"));
    const ToolRun verinfo = runTool({"verinfo", program});
    EXPECT_EQ(verinfo.status, 1);
    EXPECT_EQ(verinfo.err, ("inkwright-tool verinfo: no such file: " + program + "\n"));
}

// Every command that works on a store takes it the same way: --data DIR or
// --db URL, exactly one; neither or both is a usage error that says so, and
// nothing is opened or made.
TEST(ToolCommands, EveryStoreCommandWantsExactlyOneOfDataAndDb) {
    TempDir dir;
    const QString data = dir.filePath("data");
    const QString url = QStringLiteral("postgresql://nobody@localhost:1/none");
    const QList<QStringList> commands = {
        {"coverage", "1"},
        {"search", "word"},
        {"import-comments", "1"},
        {"export", "1", "--out", dir.filePath("r.html")},
    };
    for (const QStringList& command : commands) {
        for (const QStringList& store : {QStringList{}, QStringList{"--data", data, "--db", url}}) {
            SCOPED_TRACE((command + store).join(' ').toStdString());
            const ToolRun run = runTool(command + store);
            EXPECT_EQ(run.status, 2);
            EXPECT_TRUE(run.err.contains("usage: inkwright-tool " + command.first()))
                << qPrintable(run.err);
            EXPECT_TRUE(run.err.contains("--data DIR or as --db URL, one of them"))
                << qPrintable(run.err);
        }
    }
    EXPECT_FALSE(QFileInfo::exists(data));
}

// Every command on one document reads its number and its store alike: a
// number that is not plainly one, or more than one, is a usage error; a
// number the store does not hold is named with the store.
TEST(ToolCommands, EveryDocumentCommandTakesItsNumberAlike) {
    TempDir dir;
    dir.write("app/A.pas", "unit A;\ninterface\nprocedure One;\nimplementation\nend.\n");
    const QString project =
        dir.write("app/P.dpr", "program P;\nuses\n  A in 'A.pas';\nbegin\nend.\n");
    const QString data = dir.filePath("data");
    ASSERT_EQ(runTool({"build", project, "--data", data}).status, 0);
    const QList<QStringList> commands = {
        {"coverage", "--min", "0"},
        {"import-comments"},
        {"refresh", "--full"},
        {"export", "--out", dir.filePath("r.html")},
    };
    for (const QStringList& command : commands) {
        for (const QStringList& number :
             {QStringList{}, {"x"}, {"1.0"}, {"99999999999"}, {"1", "1"}}) {
            SCOPED_TRACE((command + number).join(' ').toStdString());
            const ToolRun run = runTool(command + number + QStringList{"--data", data});
            EXPECT_EQ(run.status, 2);
            EXPECT_TRUE(run.err.contains("usage: inkwright-tool " + command.first()))
                << qPrintable(run.err);
        }
        SCOPED_TRACE(command.join(' ').toStdString());
        const ToolRun absent = runTool(command + QStringList{"7", "--data", data});
        EXPECT_EQ(absent.status, 1);
        EXPECT_TRUE(absent.err.contains("There is no document number 7")) << qPrintable(absent.err);
        EXPECT_EQ(runTool(command + QStringList{"--data", data, "1"}).status, 0);
    }
}
