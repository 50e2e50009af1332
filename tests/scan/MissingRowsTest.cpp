// What a refresh finds no more: rows marked missing (never deleted), left
// out of the coverage, found again when they come back, and removed on
// request with their descriptions moved where a routine of the name lives on.
#include "store/MissingRows.h"
#include "store/Coverage.h"
#include "support/PrintQt.h"
#include "support/RecordingFeedback.h"
#include "support/StoreFixture.h"

using namespace ink;

namespace {

class Missing : public StoreFixture {
protected:
    void writeUtil(const QByteArray& routines) {
        temp.write("app/Util.pas", "unit Util;\ninterface\n" + routines + "implementation\nend.\n");
    }
    QString project(const QByteArray& uses = "  Util in 'Util.pas',\n  Main in 'Main.pas';\n") {
        temp.write("app/Main.pas", "unit Main;\ninterface\nprocedure Show;\nprocedure Hide;\n"
                                   "implementation\nend.\n");
        return temp.write("app/P.dpr", "program P;\nuses\n" + uses + "begin\nend.\n");
    }
    void build(bool refresh) {
        BuildDocument(*dm, temp.filePath("app/P.dpr"), "P", refresh, feedback);
    }
    void describe(const char* unit, const char* routine, const QString& text) {
        ASSERT_TRUE(dm->tblUnits->locate("UnitName", unit));
        ASSERT_TRUE(dm->tblProc->locate("ProcName", routine));
        dm->tblProc->edit();
        dm->tblProcDescription->setValue(text);
        dm->tblProc->post();
    }
    DocumentCoverage coverage() {
        return ReadCoverage(dm->database(), dm->tblDocsDocNo->asInteger());
    }
    QString sql(const QString& query) {
        Statement statement(dm->database(), query);
        QStringList rows;
        while (statement.step())
            rows << statement.textAt(0);
        return rows.join(',');
    }
    RecordingFeedback feedback;
};

} // namespace

TEST(DescriptionRule, AWordIsALetterOrADigit) {
    EXPECT_FALSE(IsDescribed(""));
    EXPECT_FALSE(IsDescribed(" \r\n\t"));
    EXPECT_FALSE(IsDescribed("\r\n" + QString(72, '*') + "\r\n"));
    EXPECT_TRUE(IsDescribed("\r\n***\r\nx"));
    EXPECT_TRUE(IsDescribed("42"));
    EXPECT_TRUE(IsDescribed(QString::fromUtf8("Größe")));
}

TEST(DescriptionRule, ThePercentIsRoundedDownAndTheFloorComparedExactly) {
    DocumentCoverage c;
    c.routines.count = 5678;
    c.routines.described = 1234;
    EXPECT_EQ(c.statusText(), "Described: 1,234 of 5,678 routines (21.7%)");
    c.routines.count = 10000;
    c.routines.described = 9999; // 99.99% is not 100%
    EXPECT_EQ(c.percentText(), "99.9%");
    EXPECT_FALSE(c.reaches(100));
    EXPECT_TRUE(c.reaches(99.99));
    c.routines = {};
    EXPECT_EQ(c.statusText(), "Described: 0 of 0 routines (0.0%)");
    // Where declarations are kept, the share is theirs, and says so.
    c.counted = Counted::Declarations;
    c.declarations.count = 3;
    c.declarations.described = 1;
    EXPECT_EQ(c.statusText(), "Described: 1 of 3 declarations (33.3%)");
}

TEST_F(Missing, CoverageCountsWordsAndLeavesPlaceholdersOut) {
    writeUtil("procedure Run;\nfunction Count: Integer;\n"); // no placeholder
    temp.write("app/Empty.pas", "unit Empty;\ninterface\nimplementation\nend.\n");
    project("  Util in 'Util.pas',\n  Main in 'Main.pas',\n  Empty in 'Empty.pas';\n");
    build(false);
    describe("Util.pas", "Run", "Runs it.");
    describe("Main.pas", "Show", "\r\n" + QString(72, '*') + "\r\n"); // a separator is no word
    const DocumentCoverage c = coverage();
    EXPECT_EQ(c.routines.count, 4);
    EXPECT_EQ(c.routines.described, 1);
    ASSERT_EQ(c.units.size(), 3);
    EXPECT_EQ(c.units[0].unitName, "Util.pas");
    EXPECT_EQ(c.units[0].routines.described, 1);
    EXPECT_EQ(c.units[2].routines.count, 0); // only the "N/A" placeholder
    EXPECT_EQ(c.routines.missing, 0);
}

TEST_F(Missing, ARefreshMarksWhatLeftAndClearsItWhenItComesBack) {
    writeUtil("procedure Run;\nprocedure Gone;\n");
    project();
    build(false);
    describe("Util.pas", "Gone", "Was here.");

    writeUtil("procedure Run;\n");
    build(true);
    build(true); // a second refresh within the same second still sees it missing
    EXPECT_EQ(
        sql("SELECT ProcName FROM ProcsLib WHERE UnitNo = 1 AND ProcName <> 'N/A' ORDER BY ProcNo"),
        "Run,Gone"); // kept
    DocumentCoverage c = coverage();
    EXPECT_EQ(c.routines.count, 3);
    EXPECT_EQ(c.routines.missing, 1);
    EXPECT_EQ(c.routines.missingDescribed, 1);
    EXPECT_EQ(c.routines.described, 0); // the described routine that left counts for nothing
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Util.pas"));
    ASSERT_TRUE(dm->tblProc->locate("ProcName", "Gone"));
    EXPECT_TRUE(LeftTheSource(dm->tblProcLastSeen->value(), dm->tblDocsLastScan->value()));

    writeUtil("procedure Run;\nprocedure Gone;\n");
    build(true);
    c = coverage();
    EXPECT_EQ(c.routines.missing, 0);
    EXPECT_EQ(c.routines.described, 1);
    EXPECT_EQ(sql("SELECT Description FROM ProcsLib WHERE ProcName = 'Gone'"), "Was here.");
}

TEST_F(Missing, AUnitDroppedFromTheProjectIsMissingWithItsRoutines) {
    writeUtil("procedure Run;\n");
    project();
    build(false);
    project("  Main in 'Main.pas';\n");
    build(true);
    const DocumentCoverage c = coverage();
    EXPECT_EQ(c.missingUnits, 1);
    EXPECT_EQ(c.routines.missing, 1);
    EXPECT_EQ(c.routines.count, 2);
    EXPECT_TRUE(c.units[0].missing);
    // The unit found again shows this scan's stamp in the list, too.
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Main.pas"));
    EXPECT_EQ(dm->tblUnitsLastSeen->value(), dm->tblDocsLastScan->value());
}

TEST_F(Missing, RemovalCountsMovesDescriptionsAndKeepsThePresent) {
    writeUtil("procedure Run;\nprocedure Moved;\nprocedure Dropped;\n");
    project();
    build(false);
    describe("Util.pas", "Moved", "Moves to Main.");
    describe("Util.pas", "Dropped", "Lost words.");
    describe("Util.pas", "Run", "Stays.");
    // Moved goes to Main; Dropped leaves for good.
    writeUtil("procedure Run;\n");
    temp.write("app/Main.pas", "unit Main;\ninterface\nprocedure Show;\nprocedure Moved;\n"
                               "implementation\nend.\n");
    build(true);

    const int docNo = dm->tblDocsDocNo->asInteger();
    const MissingRowsSummary summary = CountMissingRows(dm->database(), docNo);
    EXPECT_EQ(summary.units, 0);
    EXPECT_EQ(summary.routines, 3); // Moved, Dropped and Main's Hide
    EXPECT_EQ(summary.describedRoutines, 2);
    EXPECT_EQ(summary.movableDescriptions, 1);

    RemoveMissingRows(dm->database(), docNo, true);
    EXPECT_EQ(sql("SELECT ProcName || '=' || COALESCE(Description, '') FROM ProcsLib "
                  "WHERE ProcName <> 'N/A' ORDER BY ProcNo"),
              "Run=Stays.,Show=,Moved=Moves to Main.");
    const MissingRowsSummary after = CountMissingRows(dm->database(), docNo);
    EXPECT_EQ(after.routines + after.units, 0);
}

TEST_F(Missing, ARenamedUnitTakesTheDescriptionsOfTheOldOne) {
    writeUtil("procedure Run;\n");
    project("  Util in 'Util.pas';\n");
    build(false);
    dm->tblUnits->edit();
    dm->tblUnitsDescription->setValue("The helpers.");
    dm->tblUnits->post();
    describe("Util.pas", "Run", "Runs it.");
    temp.write("app/Tools.pas", "unit Tools;\ninterface\nprocedure Run;\nimplementation\nend.\n");
    project("  Tools in 'Tools.pas';\n");
    build(true);

    RemoveMissingRows(dm->database(), dm->tblDocsDocNo->asInteger(), true);
    EXPECT_EQ(sql("SELECT UnitName || '=' || Description FROM UnitsLib"), "Tools.pas=The helpers.");
    EXPECT_EQ(sql("SELECT Description FROM ProcsLib WHERE ProcName = 'Run'"), "Runs it.");
}

TEST_F(Missing, AStoreNeverScannedSinceTheUpgradeHasNothingMissing) {
    writeUtil("procedure Run;\n");
    project();
    build(false);
    dm->database().exec("UPDATE DocsLib SET LastScan = NULL; UPDATE ProcsLib SET LastSeen = NULL;"
                        "UPDATE UnitsLib SET LastSeen = NULL");
    const DocumentCoverage c = coverage();
    EXPECT_EQ(c.routines.missing + c.missingUnits, 0);
    EXPECT_EQ(c.routines.count, 3);
}

// A description moves only where its routine went: under the same owner in
// another unit. A namesake of another class is offered, and takes the words
// only when asked to across owners.
class MovesAcrossOwners : public Missing {
protected:
    void SetUp() override {
        Missing::SetUp();
        writeUtil("type\n  TA = class\n    procedure Foo;\n    procedure Bar;\n  end;\n");
        project();
        temp.write("app/Main.pas", "unit Main;\ninterface\ntype\n  TB = class\n"
                                   "    procedure Foo;\n  end;\nimplementation\nend.\n");
        build(false);
        describe("Util.pas", "Foo", "Foo of TA.");
        describe("Util.pas", "Bar", "Bar of TA.");
        // TA.Foo is gone; TA moved its Bar to Main.
        writeUtil("type\n  TA = class\n  end;\n");
        temp.write("app/Main.pas",
                   "unit Main;\ninterface\ntype\n  TB = class\n"
                   "    procedure Foo;\n  end;\n  TA = class\n    procedure Bar;\n  end;\n"
                   "implementation\nend.\n");
        build(true);
        docNo = dm->tblDocsDocNo->asInteger();
    }
    QString mainWords() {
        return sql("SELECT ProcName || '=' || COALESCE(Description, '') FROM ProcsLib "
                   "WHERE UnitNo = 2 AND ProcName <> 'N/A' ORDER BY ProcNo");
    }
    int docNo = 0;
};

TEST_F(MovesAcrossOwners, AreOfferedAndNeverMadeUnasked) {
    const MissingRowsSummary summary = CountMissingRows(dm->database(), docNo);
    EXPECT_EQ(summary.routines, 2);
    EXPECT_EQ(summary.movableDescriptions, 1); // Bar
    EXPECT_EQ(summary.offeredDescriptions, 1); // Foo, to TB's
    RemoveMissingRows(dm->database(), docNo, true);
    EXPECT_EQ(mainWords(), "Foo=,Bar=Bar of TA.");
}

TEST_F(MovesAcrossOwners, AreMadeWhenAskedFor) {
    RemoveMissingRows(dm->database(), docNo, true, true);
    EXPECT_EQ(mainWords(), "Foo=Foo of TA.,Bar=Bar of TA.");
}
