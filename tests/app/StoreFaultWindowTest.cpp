// The window under store faults: what it shows is what the store holds, and
// nothing another program saved is written over.
#include <QProgressBar>

#include "store/testing/FaultyVfs.h"
#include "store/testing/SqlFile.h"
#include "WindowFixture.h"

namespace {

class WindowOverAFailingDisk : public WindowTest {
protected:
    FaultyVfs vfs; // before SetUp opens the store
};

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
    runSql(dm->database().name(),
           "UPDATE UnitsLib SET Description = 'Saved elsewhere' WHERE UnitName = 'Main.pas'");
    QTest::mouseClick(window->Button2, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages(), QStringList());
    EXPECT_EQ(sqlText(dm->database().name(),
                      "SELECT Description FROM UnitsLib WHERE UnitName = 'Main.pas'"),
              "Saved elsewhere");
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Main.pas"));
    EXPECT_EQ(dm->tblUnitsDescription->asString(), "Saved elsewhere");
}
