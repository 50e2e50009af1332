// The window under store faults: what it shows is what the store holds, and
// nothing another program saved is written over.
#include <QProgressBar>

#include "support/FaultyVfs.h"
#include "WindowFixture.h"

namespace {

class WindowOverAFailingDisk : public WindowTest {
protected:
    FaultyVfs vfs; // before SetUp opens the store
};

void runSql(ink::TDM1& dm, const char* sql) {
    // Another program: a connection of its own.
    sqlite3* other = nullptr;
    sqlite3_open(dm.database().filePath().toUtf8().constData(), &other);
    sqlite3_busy_timeout(other, 3000);
    EXPECT_EQ(sqlite3_exec(other, sql, nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(other);
    sqlite3_close(other);
}

} // namespace

TEST_F(WindowOverAFailingDisk, ABuildTheDiskRefusesLeavesListsAndStoreAsTheyWere) {
    SampleProject project(temp);
    addDocument(project.projectPath, "first");
    const int units = countRows("UnitsLib");
    const int routines = countRows("ProcsLib");

    vfs.failAfter(0);
    addDocument(project.projectPath, "second");
    vfs.heal();

    const QStringList errors = dialogs.texts("generalError");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().startsWith("Cannot save the changes to"))
        << errors.first().toStdString();
    EXPECT_TRUE(errors.first().contains("full")) << errors.first().toStdString();
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"FIRST"}));
    EXPECT_EQ(window->DBGrid1->model()->rowCount(), 1);
    EXPECT_EQ(dm->tblUnits->recordCount(), units);
    EXPECT_EQ(countRows("DocsLib"), 1);
    EXPECT_EQ(countRows("UnitsLib"), units);
    EXPECT_EQ(countRows("ProcsLib"), routines);
    EXPECT_TRUE(window->ProgressBar1->isHidden());
}

TEST_F(WindowTest, RefreshKeepsADescriptionAnotherProgramSavedMeanwhile) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    // The window holds the unit rows in memory; another program then saves a
    // description of a unit the refresh updates (it has a form).
    runSql(*dm, "UPDATE UnitsLib SET Description = 'Saved elsewhere' WHERE UnitName = 'Main.pas'");
    QTest::mouseClick(window->Button2, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages(), QStringList());
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(dm->database().handle(),
                       "SELECT Description FROM UnitsLib WHERE UnitName = 'Main.pas'", -1,
                       &statement, nullptr);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)),
                 "Saved elsewhere");
    sqlite3_finalize(statement);
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Main.pas"));
    EXPECT_EQ(dm->tblUnitsDescription->asString(), "Saved elsewhere");
}
