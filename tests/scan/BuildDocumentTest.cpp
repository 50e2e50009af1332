// The document build on a real store: the rows it writes, what it tells the
// user while it runs, and a refresh that adds only what is new.
#include "store/testing/FaultyVfs.h"
#include "support/PrintQt.h"
#include "support/RecordingFeedback.h"
#include "support/StoreFixture.h"

using namespace ink;

namespace {

class Build : public StoreFixture {
protected:
    QString project() {
        temp.write("app/Util.pas", "unit Util;\ninterface\nprocedure Run(const Name: string);\n"
                                   "function Count: Integer;\nimplementation\nend.\n");
        temp.write("app/Main.pas", "unit Main;\ninterface\nprocedure Show;\nimplementation\n"
                                   "end.\n");
        return temp.write("app/P.dpr", "program P;\nuses\n  Util in 'Util.pas',\n"
                                       "  Main in 'Main.pas' {FormMain};\nbegin\nend.\n");
    }
    void build(const QString& projectPath, bool refresh) {
        if (!refresh)
            BuildDocument(*dm, projectPath, "P", false, feedback);
        else
            BuildDocument(*dm, projectPath, dm->tblDocsDocName->asString(), true, feedback);
    }
    RecordingFeedback feedback;
};

} // namespace

TEST_F(Build, WritesEveryRowAndTellsTheUserAsItGoes) {
    build(project(), false);
    EXPECT_EQ(column(dm->tblUnits, "UnitName"), QStringList({"Util.pas", "Main.pas"}));
    EXPECT_EQ(column(dm->tblUnits, "FormName"), QStringList({"N/A", "FormMain"}));
    dm->tblUnits->first();
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"Run", "Count"}));
    EXPECT_EQ(column(dm->tblProc, "ProcParams"), QStringList({"const Name: string", "<None>"}));
    EXPECT_EQ(feedback.calls, QStringList({"position 0", "status Updating:", "maximum 2", "step",
                                           "step", "status "}));
}

TEST_F(Build, ARefreshAddsOnlyWhatIsNewAndKeepsDescriptions) {
    const QString path = project();
    build(path, false);
    dm->tblUnits->first();
    dm->tblProc->edit();
    dm->tblProcDescription->setValue("Runs it.");
    dm->tblProc->post();
    temp.write("app/Util.pas",
               "unit Util;\ninterface\nprocedure Run(const Name: string);\n"
               "function Count: Integer;\nprocedure Added;\nimplementation\nend.\n");

    build(path, true);
    build(path, true);
    EXPECT_EQ(column(dm->tblUnits, "UnitName"), QStringList({"Util.pas", "Main.pas"}));
    dm->tblUnits->first();
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"Run", "Count", "Added"}));
    EXPECT_EQ(column(dm->tblProc, "Description").first(), "Runs it.");
}

TEST_F(Build, AProjectThatCannotBeOpenedIsShownAndTheDocumentStays) {
    build(temp.filePath("missing.dpr"), false);
    EXPECT_EQ(feedback.calls.filter("error ").size(), 1);
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"P"}));
    EXPECT_EQ(dm->tblUnits->recordCount(), 0);
}

TEST_F(Build, KeepsWholeDeclarationsAndARefreshBringsThemUpToDate) {
    const QString path = project();
    temp.write("app/Util.pas",
               "unit Util;\ninterface\n"
               "procedure Run(const Name: string; const Options: TRunOptions; "
               "Timeout: Cardinal);\nfunction Count: Integer;\nimplementation\nend.\n");
    build(path, false);
    dm->tblUnits->first();
    EXPECT_EQ(column(dm->tblProc, "ProcParams").first(),
              "const Name: string; const Options: TRunOptions; Ti"); // cut at 50
    EXPECT_EQ(column(dm->tblProc, "Declaration"),
              QStringList({"procedure Run(const Name: string; const Options: TRunOptions; "
                           "Timeout: Cardinal);",
                           "function Count: Integer;"}));
    dm->tblProc->first();
    dm->tblProc->edit();
    dm->tblProcDescription->setValue("Runs it.");
    dm->tblProc->post();

    temp.write("app/Util.pas", "unit Util;\ninterface\nprocedure Run(const Name: string);\n"
                               "function Count: Integer;\nimplementation\nend.\n");
    build(path, true);
    dm->tblUnits->first();
    EXPECT_EQ(column(dm->tblProc, "Declaration"),
              QStringList({"procedure Run(const Name: string);", "function Count: Integer;"}));
    EXPECT_EQ(column(dm->tblProc, "Description").first(), "Runs it.");
}

// Package and run-time library projects name one unit from two folders. Each
// entry keeps its own row: the description typed for one file never moves to
// the other, whichever order the entries come in, and a second refresh
// changes nothing.
TEST_F(Build, AProjectGrowingPastADuplicateUnitNameKeepsEachFileItsRow) {
    temp.write("app/x/A.pas", "unit A;\ninterface\nprocedure FromX;\nimplementation\nend.\n");
    temp.write("app/y/A.pas", "unit A;\ninterface\nprocedure FromY;\nimplementation\nend.\n");
    const QString path =
        temp.write("app/P.dpr", "program P;\nuses\n  A in 'x\\A.pas';\nbegin\nend.\n");
    build(path, false);
    dm->tblUnits->first();
    dm->tblUnits->edit();
    dm->tblUnitsDescription->setValue("The x one.");
    dm->tblUnits->post();
    const int xUnit = dm->tblUnitsUnitNo->asInteger();

    const auto routinesOf = [this](int row) {
        dm->tblUnits->moveTo(row);
        return column(dm->tblProc, "ProcName").filter("From");
    };
    const auto expectTwoUnits = [&] {
        EXPECT_EQ(column(dm->tblUnits, "UnitName"), QStringList({"A.pas", "A.pas"}));
        EXPECT_EQ(column(dm->tblUnits, "UnitPath"), QStringList({"x\\A.pas", "y\\A.pas"}));
        EXPECT_EQ(column(dm->tblUnits, "Description"), QStringList({"The x one.", ""}));
        EXPECT_EQ(column(dm->tblUnits, "UnitNo").first(), QString::number(xUnit));
        EXPECT_EQ(routinesOf(0), QStringList({"FromX"}));
        EXPECT_EQ(routinesOf(1), QStringList({"FromY"}));
    };

    // The new entry after the old one, then before it.
    temp.write("app/P.dpr",
               "program P;\nuses\n  A in 'x\\A.pas',\n  A in 'y\\A.pas';\nbegin\nend.\n");
    build(path, true);
    expectTwoUnits();
    build(path, true);
    expectTwoUnits();
    temp.write("app/P.dpr",
               "program P;\nuses\n  A in 'y\\A.pas',\n  A in 'x\\A.pas';\nbegin\nend.\n");
    build(path, true);
    expectTwoUnits();

    // The same again with the new entry first from the start.
    temp.write("app/Q.dpr", "program Q;\nuses\n  A in 'x\\A.pas';\nbegin\nend.\n");
    BuildDocument(*dm, temp.filePath("app/Q.dpr"), "Q", false, feedback);
    temp.write("app/Q.dpr",
               "program Q;\nuses\n  A in 'y\\A.pas',\n  A in 'x\\A.pas';\nbegin\nend.\n");
    BuildDocument(*dm, temp.filePath("app/Q.dpr"), "Q", true, feedback);
    EXPECT_EQ(column(dm->tblUnits, "UnitPath"), QStringList({"x\\A.pas", "y\\A.pas"}));
    EXPECT_EQ(routinesOf(0), QStringList({"FromX"}));
    EXPECT_EQ(routinesOf(1), QStringList({"FromY"}));
}

// A unit whose file moved keeps its row and its description; only then does
// the stored path change.
TEST_F(Build, ARefreshFollowsAUnitWhoseFileMoved) {
    temp.write("app/x/A.pas", "unit A;\ninterface\nprocedure Moved;\nimplementation\nend.\n");
    const QString path =
        temp.write("app/P.dpr", "program P;\nuses\n  A in 'x\\A.pas';\nbegin\nend.\n");
    build(path, false);
    dm->tblUnits->edit();
    dm->tblUnitsDescription->setValue("Kept.");
    dm->tblUnits->post();
    QDir(temp.filePath("app")).rename("x", "z");
    temp.write("app/P.dpr", "program P;\nuses\n  A in 'z\\A.pas';\nbegin\nend.\n");
    build(path, true);
    EXPECT_EQ(column(dm->tblUnits, "UnitPath"), QStringList({"z\\A.pas"}));
    EXPECT_EQ(column(dm->tblUnits, "Description"), QStringList({"Kept."}));
    dm->tblUnits->first();
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"Moved", "N/A"}));
}

// A unit whose source was not read keeps where it was looked for, beside the
// placeholder row every unit without routines gets; a unit of a library the
// project is built against says so instead; a unit that declares nothing
// keeps none, and a refresh that finds the file clears it.
TEST_F(Build, AUnitWithoutItsSourceKeepsWhereItWasLookedFor) {
    temp.write("app/Empty.pas", "unit Empty;\ninterface\nconst X = 1;\nimplementation\nend.\n");
    const QString path = temp.write("app/P.dpr", "program P;\nuses\n  SysUtils, Helpers,\n"
                                                 "  Gone in 'lib\\Gone.pas',\n"
                                                 "  Empty in 'Empty.pas';\nbegin\nend.\n");
    build(path, false);
    const QStringList missing{"library unit of rtl", temp.filePath("app/Helpers"),
                              temp.filePath("app/lib/Gone.pas"), ""};
    EXPECT_EQ(column(dm->tblUnits, "MissingSource"), missing);
    for (dm->tblUnits->first(); !dm->tblUnits->eof(); dm->tblUnits->next()) {
        EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList{"N/A"});
        EXPECT_EQ(column(dm->tblProc, "ProcParams"), QStringList{"N/A"});
    }

    build(path, true);
    EXPECT_EQ(column(dm->tblUnits, "MissingSource"), missing);
    temp.write("app/lib/Gone.pas",
               "unit Gone;\ninterface\nprocedure Back;\nimplementation\nend.\n");
    build(path, true);
    EXPECT_EQ(column(dm->tblUnits, "MissingSource"),
              (QStringList{"library unit of rtl", temp.filePath("app/Helpers"), "", ""}));
    dm->tblUnits->first();
    dm->tblUnits->next();
    dm->tblUnits->next();
    EXPECT_EQ(column(dm->tblProc, "ProcName"), (QStringList{"N/A", "Back"}));
}

namespace {

// A build whose store runs with every statement journal written to a file,
// so that each statement that keeps one is seen.
class BuildJournals : public Build {
protected:
    void SetUp() override {
        if (storeTestsOnServer())
            GTEST_SKIP() << "statement journals are SQLite's";
        onDisk = std::make_unique<StatementJournalsOnDisk>();
        opened = std::make_unique<FaultyVfs>();
        Build::SetUp();
    }
    void TearDown() override {
        dm.reset();
        opened.reset();
        onDisk.reset();
    }
    std::unique_ptr<StatementJournalsOnDisk> onDisk;
    std::unique_ptr<FaultyVfs> opened;
};

} // namespace

// The rows of a build are written in one transaction. An insert that SQLite
// must be able to undo alone within it (one with a RETURNING clause, or one
// that feeds the search index's triggers) copies every page it changes into
// a statement journal first. On disk, that journal spills to a temporary file
// on a large project and is written again for each row; neither a build nor
// a refresh may keep one there.
TEST_F(BuildJournals, ABuildAndARefreshWriteNoStatementJournalToDisk) {
    const QString path = project();
    const int whileTheTablesWereMade = opened->statementJournalsOpened();
    build(path, false);
    build(path, true);
    EXPECT_EQ(column(dm->tblUnits, "UnitName"), QStringList({"Util.pas", "Main.pas"}));
    EXPECT_EQ(opened->statementJournalsOpened(), whileTheTablesWereMade);
}
