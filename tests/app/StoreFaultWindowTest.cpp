// The window under store faults: what it shows is what the store holds, and
// nothing another program saved is written over.
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QScopeGuard>
#include <QThread>

#include "docs/StoreCommands.h"

#include "store/StoreError.h"
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

namespace {

class DamagedStoreWindow : public WindowTest {
protected:
    // A store the window found damaged is closed: nothing of it is shown, and
    // the commands that work on a store are off.
    void expectStoreClosedAsDamaged() {
        const QStringList errors = dialogs.texts("generalError");
        ASSERT_EQ(errors.size(), 1) << errors.join('\n').toStdString(); // said once
        EXPECT_TRUE(errors.last().startsWith("Cannot open the database"))
            << errors.last().toStdString();
        EXPECT_TRUE(errors.last().contains("damaged")) << errors.last().toStdString();
        const ink::TfrmInkwright& shown = *window;
        EXPECT_FALSE(dm->tblDocs->isOpen());
        EXPECT_FALSE(dm->tblUnits->isOpen());
        EXPECT_EQ(shown.DBGrid1->model()->rowCount(), 0);
        EXPECT_EQ(shown.DBGrid2->model()->rowCount(), 0);
        for (const QPushButton* button :
             {shown.Button26, shown.Button27, shown.Button28, shown.Button2, shown.Button29})
            EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
        EXPECT_EQ(shown.storeStatus->text(), "Damaged store, closed");
        // Nothing reopens it behind the user's back (a command reaching for it).
        EXPECT_THROW(dm->database(), ink::StoreDamaged);
    }
    // The sample document in a store closed by the window (its journal
    // written back), as the next start finds it.
    QString closedStoreWithDocument() {
        SampleProject project(temp);
        addDocument(project.projectPath, "sample");
        const QString path = dm->database().name();
        stopWindow();
        return path;
    }
    static int pageSize(const QString& path) { return sqlText(path, "PRAGMA page_size").toInt(); }
    // Writes over the head of a page (its b-tree header), behind SQLite's back.
    static void spoilPage(const QString& path, qint64 page) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek((page - 1) * pageSize(path));
        file.write(QByteArray(12, '\xa5'));
    }
    static qint64 rootPageOf(const QString& path, const char* name) {
        return sqlText(path, QStringLiteral("SELECT rootpage FROM sqlite_schema WHERE name = '%1'")
                                 .arg(QLatin1String(name)))
            .toLongLong();
    }
};

} // namespace

// The rows' own pages changed, the schema whole: the store opens as before,
// and only a look at its pages finds the damage.
TEST_F(DamagedStoreWindow, BytesChangedInTheRowsPagesAreFoundAtStartUp) {
    const QString path = closedStoreWithDocument();
    const int page = pageSize(path);
    QList<qint64> pages;
    for (const char* tree : {"UnitsLib", "ProcsLib", "DeclsLib", "tblProcIndex1"})
        pages << rootPageOf(path, tree);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    // Fifty bytes at places spread over those pages, the same every run.
    quint32 seed = 31;
    for (int i = 0; i < 50; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const qint64 at = (pages[(seed >> 8) % pages.size()] - 1) * page + (seed >> 12) % page;
        file.seek(at);
        file.write(QByteArray(1, char(seed >> 24)));
    }
    file.close();
    QString check;
    try {
        check = sqlText(path, "PRAGMA quick_check");
    } catch (const std::exception& e) {
        check = e.what();
    }
    ASSERT_NE(check, "ok"); // the damage is real

    startWindow();
    expectStoreClosedAsDamaged();

    // Asking for it again finds it damaged again, and it stays closed.
    dialogs.shown.clear();
    ASSERT_TRUE(window->UseLocalDatabase1->isEnabled());
    window->UseLocalDatabase1->trigger();
    QApplication::processEvents();
    expectStoreClosedAsDamaged();
}

TEST_F(DamagedStoreWindow, DamageMetByALaterReadClosesTheStoreAndStopsEditing) {
    const QString path = closedStoreWithDocument();
    startWindow();
    ASSERT_EQ(dialogs.messages(), QStringList());
    ASSERT_TRUE(window->Button26->isEnabled());
    ASSERT_GE(dm->tblUnits->recordCount(), 2);
    // The routines' pages go bad while the window runs; another program's
    // write makes the window read the file afresh.
    spoilPage(path, rootPageOf(path, "ProcsLib"));
    spoilPage(path, rootPageOf(path, "tblProcIndex1"));
    runSql(path, "UPDATE DocsLib SET DocAuthor = 'Someone else'");

    window->PageControl1->setCurrentWidget(window->TabSheet7);
    window->DBGrid2->setFocus();
    window->DBGrid2->setCurrentIndex(window->DBGrid2->model()->index(1, 0));
    QApplication::processEvents();
    expectStoreClosedAsDamaged();

    // Another store opened in its place: editing is back.
    stopWindow();
    QFile::remove(path);
    QFile::remove(path + "-wal");
    QFile::remove(path + "-shm");
    dialogs.shown.clear();
    startWindow();
    EXPECT_EQ(dialogs.messages(), QStringList());
    EXPECT_TRUE(window->Button26->isEnabled());
}

TEST_F(DamagedStoreWindow, AnEmptyFileIsRefusedAndLeftAsItWas) {
    const QString path = dm->database().name();
    stopWindow();
    for (const QString& file : {path, path + "-wal", path + "-shm"})
        QFile::remove(file);
    temp.write("program/Data/Inkwright.sqlite", "");
    ASSERT_EQ(QFileInfo(path).size(), 0);

    startWindow();
    const QStringList errors = dialogs.texts("generalError");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().startsWith("Cannot open the database"))
        << errors.first().toStdString();
    EXPECT_TRUE(errors.first().contains("empty")) << errors.first().toStdString();
    EXPECT_FALSE(dm->tblDocs->isOpen());
    stopWindow();
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(QFileInfo(path).size(), 0);
    EXPECT_FALSE(QFileInfo::exists(path + "-wal"));
}

// A store past the bound of the whole check is opened after samples of it;
// the whole of it is read afterwards on another thread, and damage only that
// finds closes it all the same.
TEST_F(DamagedStoreWindow, DamageNoSampleMeetsIsFoundByTheWholeCheckAfterStartUp) {
    const QString path = closedStoreWithDocument();
    {
        // The header's count of free pages says five where there are none:
        // no read of rows meets it, a look at every page does.
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.seek(36);
        file.write(QByteArray("\0\0\0\5", 4));
    }
    ASSERT_NE(sqlText(path, "PRAGMA quick_check"), "ok");
    {
        ink::Database sampled(path);
        ASSERT_NO_THROW(sampled.checkForDamage(0)); // the samples miss it
    }
    ink::StoreCommands::setWholeCheckBytes(0);
    const auto restore =
        qScopeGuard([] { ink::StoreCommands::setWholeCheckBytes(ink::Database::FullCheckBytes); });

    startWindow();
    QElapsedTimer waited;
    waited.start();
    while (dialogs.texts("generalError").isEmpty() && waited.elapsed() < 30000) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    QApplication::processEvents();
    expectStoreClosedAsDamaged();
    EXPECT_TRUE(dialogs.texts("generalError")
                    .value(0)
                    .contains("(Main freelist: size is 0 but should be 5)"))
        << dialogs.texts("generalError").value(0).toStdString();
}
