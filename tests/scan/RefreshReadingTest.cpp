// A refresh that reads only the units whose files changed: what makes it read
// a unit again, and that what it stores is what reading every unit stores.
#include "scan/SourceStamps.h"
#include "support/FileTimes.h"
#include "support/PrintQt.h"
#include "support/RecordingFeedback.h"
#include "support/StoreFixture.h"

using namespace ink;

namespace {

class ChangedOnlyRefresh : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        temp.write("app/Util.pas", "unit Util;\ninterface\n{$I decl.inc}\nprocedure Run;\n"
                                   "implementation\nend.\n");
        temp.write("app/decl.inc", "function Count: Integer;\n");
        temp.write("app/sub/Main.pas", "unit Main;\ninterface\n{$I shared}\nprocedure Show;\n"
                                       "implementation\nend.\n");
        temp.write("app/shared.inc", "procedure FromProject;\n");
        project = temp.write("app/P.dpr", "program P;\nuses\n  Util in 'Util.pas',\n"
                                          "  Main in 'sub\\Main.pas';\nbegin\nend.\n");
        // Files stamped the moment they were written are never trusted, so
        // the scratch files are made an hour old first.
        ageAll();
        BuildDocument(*dm, project, "P", false, feedback);
    }

    void refresh(ink::RefreshReading reading = ink::RefreshReading::ChangedUnits) {
        feedback.calls.clear();
        BuildDocument(*dm, project, dm->tblDocsDocName->asString(), true, feedback, reading);
    }

    void ageAll() { AgeFileTree(temp.path()); }

    // Every routine of the document with its unit, as the user and the
    // missing-rows list see them: whether the last scan found it, not when.
    QStringList rows() {
        Statement all(
            dm->database(),
            "SELECT UnitsLib.UnitName, ProcName, ProcType, ProcParams, ResultType, "
            "Declaration, CASE WHEN ProcsLib.LastSeen = DocsLib.LastScan THEN 'found' "
            "ELSE 'gone' END FROM DocsLib JOIN UnitsLib ON UnitsLib.DocNo = DocsLib.DocNo "
            "JOIN ProcsLib ON ProcsLib.UnitNo = UnitsLib.UnitNo "
            "ORDER BY ProcsLib.UnitNo, ProcNo");
        QStringList lines;
        while (all.step()) {
            QStringList values;
            for (int i = 0; i < 7; ++i)
                values << all.textAt(i);
            lines << values.join('|');
        }
        lines << "size " + dm->tblDocsDocSize->asString();
        return lines;
    }

    QStringList routinesOf(int unitRow) {
        dm->tblUnits->moveTo(unitRow);
        return column(dm->tblProc, "ProcName");
    }

    RecordingFeedback feedback;
    QString project;
};

} // namespace

TEST_F(ChangedOnlyRefresh, PassesOverUnitsWhoseFilesAreAsTheyWereUnlessAskedToReadAll) {
    const QStringList built = rows();
    RewriteUnseen(temp.filePath("app/Util.pas"), "procedure Run;", "procedure Ran;");
    refresh();
    EXPECT_EQ(rows(), built);
    // The progress bar still steps once per unit.
    EXPECT_EQ(feedback.calls.filter("step").size(), 2);
    EXPECT_EQ(dm->tblUnits->recNo(), 1); // the last unit, as after a full read

    refresh(ink::RefreshReading::AllUnits);
    EXPECT_EQ(routinesOf(0), QStringList({"Run", "Count", "Ran"}));
}

TEST_F(ChangedOnlyRefresh, ReadsAUnitWhoseFileOrIncludeChangedOrWhoseIncludeFolderDid) {
    temp.write("app/Util.pas", "unit Util;\ninterface\n{$I decl.inc}\nprocedure Run;\n"
                               "procedure Added;\nimplementation\nend.\n");
    refresh();
    EXPECT_EQ(routinesOf(0), QStringList({"Run", "Count", "Added"}));

    ageAll();
    refresh(); // stamps now trusted again
    temp.write("app/decl.inc", "function Count: Integer;\nfunction More: Integer;\n");
    refresh();
    EXPECT_EQ(routinesOf(0), QStringList({"Run", "Count", "Added", "More"}));

    // A file of the name in a folder looked in before the one that answered
    // changes what the directive means.
    ageAll();
    refresh();
    EXPECT_EQ(routinesOf(1), QStringList({"FromProject", "Show", "N/A"}));
    temp.write("app/sub/shared.inc", "procedure FromUnitFolder;\n");
    refresh();
    EXPECT_EQ(routinesOf(1), QStringList({"FromProject", "Show", "N/A", "FromUnitFolder"}));
}

// A unit that declares nothing has no rows to tell that its last read was
// this program's; its stamps tell it, and it is passed over like any other.
TEST_F(ChangedOnlyRefresh, PassesOverAUnitThatDeclaresNothing) {
    temp.write("app/Empty.pas", "unit Empty;\ninterface\n{ procedure Later; }\n"
                                "implementation\nend.\n");
    project = temp.write("app/Q.dpr", "program Q;\nuses\n  Empty in 'Empty.pas';\nbegin\nend.\n");
    ageAll();
    BuildDocument(*dm, project, "Q", false, feedback);
    RewriteUnseen(temp.filePath("app/Empty.pas"), "{ procedure Later; }", "  procedure Later;  ");
    refresh();
    EXPECT_FALSE(routinesOf(0).contains("Later"));
    refresh(ink::RefreshReading::AllUnits);
    EXPECT_TRUE(routinesOf(0).contains("Later"));
}

// The rows after reading only what changed are those reading every unit
// gives, also where rows were deleted meanwhile or routines left the source.
TEST_F(ChangedOnlyRefresh, StoresWhatAFullReadStores) {
    temp.write("app/decl.inc", "function Other: Integer;\n"); // Count gone, Other new
    dm->tblUnits->moveTo(1);
    dm->tblProc->first();
    dm->tblProc->deleteWithDetails(); // FromProject, still in the source
    const QStringList seenBefore = rows();

    refresh();
    const QStringList changedOnly = rows();
    EXPECT_NE(changedOnly, seenBefore);
    EXPECT_TRUE(changedOnly.contains("Main.pas|FromProject|PROCEDURE|<None>|<None>|"
                                     "procedure FromProject;|found"))
        << changedOnly.join('\n').toStdString();
    refresh(ink::RefreshReading::AllUnits);
    EXPECT_EQ(rows(), changedOnly);

    // Once more with nothing changed: nothing is read, the same rows again.
    ageAll();
    refresh(ink::RefreshReading::AllUnits);
    const QStringList full = rows();
    refresh();
    EXPECT_EQ(rows(), full);
}

TEST(SourceStamps, RoundTripsAndRefusesWhatItCannotTrust) {
    TempDir temp;
    const QString file = temp.write("a b/U.pas", "unit U;");
    AgeFileTree(temp.path());

    UnitStamps stamps{QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)),
                      7,
                      {StampFile(file), StampFolder(temp.filePath("a b"))},
                      "3f-a0",
                      12};
    const std::optional<UnitStamps> back = UnitStamps::fromText(stamps.toText());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->read, stamps.read);
    EXPECT_EQ(back->routineRows, 7);
    EXPECT_EQ(back->files, stamps.files);
    EXPECT_EQ(back->digest, "3f-a0");
    EXPECT_EQ(back->declarationRows, 12);
    StampCheck check;
    EXPECT_TRUE(check.unchanged(*back, file));
    EXPECT_FALSE(StampCheck().unchanged(*back, temp.filePath("a b/V.pas")));

    // A folder looked in that is not there is a firm fact too.
    const FileStamp none = StampFolder(temp.filePath("a b/include"));
    EXPECT_FALSE(UnitStamps({stamps.read, 0, {StampFile(file), none}, {}, -1}).toText().isEmpty());
    EXPECT_TRUE(StampCheck().unchanged({stamps.read, 0, {StampFile(file), none}, {}, -1}, file));

    // Just written: not trusted, so nothing is kept and the unit is read again.
    const QString fresh = temp.write("N.pas", "unit N;");
    EXPECT_TRUE(UnitStamps({stamps.read, 0, {StampFile(fresh)}, {}, -1}).toText().isEmpty());
    EXPECT_FALSE(UnitStamps::fromText("").has_value());
    EXPECT_FALSE(UnitStamps::fromText("stamps1 x 2026-01-02 03:04:05\r\nf 1 2 p").has_value());
    EXPECT_FALSE(UnitStamps::fromText("stamps1 1 2026-01-02 03:04:05\r\nc x 3f\r\nf 1 2 p"));
}

// The units of a read share its time, which is parsed once; each stamp
// still has its own, also after another and back, and a bad one fails.
TEST(SourceStamps, EachStampHasTheTimeItsTextNames) {
    const auto readAt = [](const char* time) {
        const std::optional<UnitStamps> stamps =
            UnitStamps::fromText(QStringLiteral("stamps1 1 %1\r\nf 1 2 p").arg(time));
        return stamps ? stamps->read : QDateTime();
    };
    const QDateTime first(QDate(2026, 1, 2), QTime(3, 4, 5));
    const QDateTime second(QDate(2026, 1, 2), QTime(3, 4, 6));
    EXPECT_EQ(readAt("2026-01-02 03:04:05"), first);
    EXPECT_EQ(readAt("2026-01-02 03:04:05"), first);
    EXPECT_EQ(readAt("2026-01-02 03:04:06"), second);
    EXPECT_EQ(readAt("2026-01-02 03:04:05"), first);
    EXPECT_FALSE(readAt("2026-13-02 03:04:05").isValid());
    EXPECT_FALSE(readAt("2026-13-02 03:04:05").isValid());
    EXPECT_EQ(readAt("2026-01-02 03:04:06"), second);
}
