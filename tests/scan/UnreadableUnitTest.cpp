// A unit whose file is there but cannot be read (a folder or a pipe in its
// place, no permission, a disk error) is no unit that lost its source: its
// rows stay as they were, nothing of it is offered for removal, and the
// build says why it could not read it.
#include <QDir>
#include <QFile>

#include "scan/BuildDocument.h"
#include "store/Coverage.h"
#include "store/MissingRows.h"
#include "support/OddFiles.h"
#include "support/PrintQt.h"
#include "support/RecordingFeedback.h"
#include "support/StoreFixture.h"

using namespace ink;

namespace {

class UnreadableUnit : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        writeUtil("procedure Run;\nprocedure Gone;\nfunction Count: Integer;\n"
                  "type\n  TA = class\n    procedure Foo;\n  end;\n");
        temp.write("app/Main.pas", "unit Main;\ninterface\nprocedure Show;\n"
                                   "implementation\nend.\n");
        temp.write("app/P.dpr", "program P;\nuses\n  Util in 'Util.pas',\n  Main in 'Main.pas';\n"
                                "begin\nend.\n");
    }
    void writeUtil(const QByteArray& interface) {
        temp.write("app/Util.pas",
                   "unit Util;\ninterface\n" + interface + "implementation\nend.\n");
    }
    BuildReport build(bool refresh) {
        feedback.calls.clear();
        return BuildDocument(*dm, temp.filePath("app/P.dpr"), "P", refresh, feedback);
    }
    void describe(const char* routine, const QString& text) {
        ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Util.pas"));
        ASSERT_TRUE(dm->tblProc->locate("ProcName", routine));
        dm->tblProc->edit();
        dm->tblProcDescription->setValue(text);
        dm->tblProc->post();
    }
    QString sql(const QString& query) {
        Statement statement(dm->database(), query);
        QStringList rows;
        while (statement.step())
            rows << statement.textAt(0);
        return rows.join(',');
    }
    QString utilRoutines() {
        return sql("SELECT ProcName FROM ProcsLib WHERE UnitNo = 1 ORDER BY ProcNo");
    }
    QString utilNote() { return sql("SELECT MissingSource FROM UnitsLib WHERE UnitNo = 1"); }
    int docNo() const { return dm->tblDocsDocNo->asInteger(); }
    QString utilPath() { return QDir::toNativeSeparators(temp.filePath("app/Util.pas")); }

    RecordingFeedback feedback;
};

} // namespace

TEST_F(UnreadableUnit, KeepsItsRowsAsTheLastScanLeftThemAndSaysWhy) {
    build(false);
    describe("Run", "Runs it.");
    describe("Foo", "Foo of TA.");
    // Gone leaves the source first, and stays gone through what follows.
    writeUtil("procedure Run;\nfunction Count: Integer;\n"
              "type\n  TA = class\n    procedure Foo;\n  end;\n");
    build(true);
    const MissingRowsSummary before = CountMissingRows(dm->database(), docNo());
    ASSERT_EQ(before.routines, 1);

    // A folder where the unit's file was.
    ASSERT_TRUE(QFile::remove(temp.filePath("app/Util.pas")));
    ASSERT_TRUE(QDir().mkpath(temp.filePath("app/Util.pas")));
    const BuildReport report = build(true);

    // The rows of a unit read as empty: the placeholder, and every row kept.
    EXPECT_EQ(utilRoutines(), "Run,Gone,Foo,Count,N/A");
    const MissingRowsSummary after = CountMissingRows(dm->database(), docNo());
    EXPECT_EQ(after.routines, before.routines);
    EXPECT_EQ(after.declarations, before.declarations);
    EXPECT_EQ(after.movableDescriptions, 0);
    const DocumentCoverage coverage = ReadCoverage(dm->database(), docNo());
    EXPECT_EQ(coverage.routines.missing, 1);
    EXPECT_EQ(coverage.missingUnits, 0);

    const QString note = "could not be read: it is a folder (" + utilPath() + ")";
    EXPECT_EQ(utilNote(), note);
    ASSERT_EQ(report.unitsNotRead.size(), 1);
    EXPECT_EQ(report.unitsNotRead.first(), "Util.pas: Source " + note);
    // The build shows no box; its last word in the status bar says it.
    EXPECT_EQ(feedback.calls.last(), "status Util.pas: Source " + note);
    EXPECT_FALSE(feedback.calls.join('\n').contains("error"))
        << feedback.calls.join("\n").toStdString();

    // Removing what is missing takes Gone alone; the words stay.
    RemoveMissingRows(dm->database(), docNo(), true);
    EXPECT_EQ(utilRoutines(), "Run,Foo,Count,N/A");
    EXPECT_EQ(sql("SELECT Description FROM ProcsLib WHERE ProcName IN ('Run', 'Foo') "
                  "ORDER BY ProcNo"),
              "Runs it.,Foo of TA.");
    EXPECT_EQ(sql("SELECT COUNT(*) FROM DeclsLib WHERE UnitNo = 1 AND DeclName IN "
                  "('Run', 'Count', 'TA', 'Foo')"),
              "4");

    // Readable again, it is read: the note goes, the placeholder is what left.
    ASSERT_TRUE(QDir(temp.filePath("app/Util.pas")).removeRecursively());
    writeUtil("procedure Run;\nfunction Count: Integer;\n"
              "type\n  TA = class\n    procedure Foo;\n  end;\n");
    EXPECT_TRUE(build(true).unitsNotRead.isEmpty());
    EXPECT_EQ(utilNote(), "");
    EXPECT_EQ(feedback.calls.last(), "status ");
    EXPECT_EQ(CountMissingRows(dm->database(), docNo()).routines,
              0); // the placeholder is no routine
    EXPECT_EQ(ReadCoverage(dm->database(), docNo()).routines.missing, 0);
}

// A new document whose units are a pipe and a folder: each gets its
// placeholder, the note says what stands there, and nothing waits for a
// writer; the status bar names the first and counts the others.
TEST_F(UnreadableUnit, APipeInAUnitsPlaceIsNamedAndNeverWaitedOn) {
    ASSERT_TRUE(QFile::remove(temp.filePath("app/Util.pas")));
    ASSERT_TRUE(QFile::remove(temp.filePath("app/Main.pas")));
    ASSERT_TRUE(QDir().mkpath(temp.filePath("app/Main.pas")));
    const QString pipe = MakeFifo(temp.filePath("app/Util.pas"));
    BuildReport report;
    EXPECT_TRUE(ReturnsWithin(std::chrono::seconds(20), {pipe}, [&] { report = build(false); }));
    EXPECT_EQ(utilRoutines(), "N/A");
    const QString note = "could not be read: it is a named pipe (" + utilPath() + ")";
    EXPECT_EQ(utilNote(), note);
    EXPECT_EQ(report.unitsNotRead.size(), 2);
    EXPECT_EQ(sql("SELECT ProcName FROM ProcsLib WHERE UnitNo = 2"), "N/A");
    EXPECT_EQ(feedback.calls.last(),
              "status Util.pas: Source " + note + "; 1 more unit could not be read either");
}

// A file that is not there keeps its own note: looked for, not found.
TEST_F(UnreadableUnit, AFileNotThereIsStillNotFound) {
    build(false);
    ASSERT_TRUE(QFile::remove(temp.filePath("app/Util.pas")));
    EXPECT_TRUE(build(true).unitsNotRead.isEmpty());
    EXPECT_EQ(utilNote(), utilPath());
    EXPECT_EQ(CountMissingRows(dm->database(), docNo()).routines, 4);
    EXPECT_EQ(feedback.calls.last(), "status ");
}
