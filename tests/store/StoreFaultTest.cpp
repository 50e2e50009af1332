// Faults under the store: rows that another program deleted or changed, and
// writes the disk refused. Nothing typed may be lost, and nothing shown may
// be a row the store does not hold.

#include "store/StoreError.h"
#include "store/testing/FaultyVfs.h"
#include "store/testing/SqlFile.h"
#include "support/StoreFixture.h"

using namespace ink;

namespace {

// A second connection to the same file: another program.
using OtherProgram = SqlFile;

class VanishedRows : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        addDoc("DOC");
        addUnit("Main.pas");
    }
    void typeDescription(const QString& text) {
        dm->tblUnits->edit();
        dm->tblUnitsDescription->setValue(text);
    }
};

} // namespace

TEST_F(VanishedRows, APostToADeletedRowFailsAndKeepsTheText) {
    OtherProgram other(databaseFile());
    other.run("DELETE FROM UnitsLib; DELETE FROM DocsLib");
    typeDescription("Typed while the row vanished");
    try {
        dm->tblUnits->post();
        FAIL() << "the post reported success";
    } catch (const RowChanged& error) {
        EXPECT_TRUE(error.message().contains("deleted by another program or user"))
            << error.message().toStdString();
    }
    EXPECT_EQ(dm->tblUnits->state(), TTable::State::Editing);
    EXPECT_EQ(dm->tblUnitsDescription->asString(), "Typed while the row vanished");
    dm->tblUnits->cancel();
    EXPECT_EQ(dm->tblUnits->state(), TTable::State::Browsing);
}

TEST_F(VanishedRows, AFieldChangedUnderneathIsNotOverwrittenButOtherFieldsMerge) {
    OtherProgram other(databaseFile());
    other.run("UPDATE UnitsLib SET Description = 'Theirs'");
    typeDescription("Mine");
    try {
        dm->tblUnits->post();
        FAIL() << "the post reported success";
    } catch (const RowChanged& error) {
        EXPECT_TRUE(
            error.message().startsWith("This row was changed by another user since you opened it."))
            << error.message().toStdString();
    }
    EXPECT_EQ(other.text("SELECT Description FROM UnitsLib"), "Theirs");
    dm->tblUnits->cancel();

    // Another program's change of a field this post does not write survives it.
    other.run("UPDATE UnitsLib SET FormName = 'TheirForm'");
    dm->tblUnits->refresh();
    other.run("UPDATE UnitsLib SET UnitPath = 'their\\path.pas'");
    typeDescription("Mine again");
    dm->tblUnits->post();
    EXPECT_EQ(other.text("SELECT Description FROM UnitsLib"), "Mine again");
    EXPECT_EQ(other.text("SELECT UnitPath FROM UnitsLib"), "their\\path.pas");
}

namespace {

// A store whose every connection goes through the faulty file system.
class FailedWrites : public StoreFixture {
protected:
    FaultyVfs vfs; // before SetUp opens the store
};

} // namespace

TEST_F(FailedWrites, AFailedCommitReloadsEveryTableAndSaysNothingWasSaved) {
    addDoc("KEPT");
    addUnit("Kept.pas");
    addProc("KeptRoutine");
    const int keptDoc = dm->tblDocsDocNo->asInteger();

    QString message;
    try {
        Batch batch(dm->database());
        addDoc("LOST");
        addUnit("Lost.pas");
        addProc("LostRoutine");
        vfs.failAfter(0);
    } catch (const UserError& error) {
        message = error.message();
    }
    EXPECT_GT(vfs.failures(), 0);
    vfs.heal();
    EXPECT_TRUE(message.startsWith("Cannot save the changes to \"" + databaseFile() + "\""))
        << message.toStdString();
    EXPECT_TRUE(message.contains("full")) << message.toStdString();

    // On screen exactly what the store holds: the document written before.
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"KEPT"}));
    EXPECT_EQ(dm->tblDocsDocNo->asInteger(), keptDoc);
    EXPECT_EQ(column(dm->tblUnits, "UnitName"), QStringList({"Kept.pas"}));
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"KeptRoutine"}));
    OtherProgram other(databaseFile());
    EXPECT_EQ(other.text("SELECT group_concat(DocName) FROM DocsLib"), "KEPT");
    EXPECT_EQ(other.text("SELECT count(*) FROM ProcsLib"), "1");

    // Later posts land in rows that exist.
    dm->tblUnits->edit();
    dm->tblUnitsDescription->setValue("Written after the failure");
    dm->tblUnits->post();
    EXPECT_EQ(other.text("SELECT Description FROM UnitsLib"), "Written after the failure");
}
