// The window on a team's shared store: connecting to a server and back to the
// local store, what "Test" tells, two windows writing the same row, others'
// work appearing, and a server that goes away in the middle of an edit.
#include <QFile>
#include <QLabel>
#include <QStatusBar>

#include "app/ErrorGuard.h"
#include "PgCluster.h"
#include "store/Statement.h"
#include "store/StoreAddress.h"
#include "store/StoreError.h"
#include "WindowFixture.h"

namespace {

using Login = ink::Dialogs::ServerLogin;

Login loginFor(const ink::StoreAddress& address) {
    return {address.server, address.port, address.database, address.user};
}

QString storeShown(const ink::TfrmInkwright& window) {
    return window.storeStatus->toolTip();
}

QString storedDescription(const ink::StoreAddress& address, int procNo) {
    ink::Database db(address);
    ink::Statement query(db, QStringLiteral("SELECT Description FROM ProcsLib WHERE ProcNo = ?"));
    query.bindInteger(1, procNo);
    return query.step() ? query.textAt(0) : QStringLiteral("<no row>");
}

class SharedStoreWindowTest : public WindowTest {
protected:
    // Connects the window through its dialog, the way the user does.
    void connectWindow(ink::TfrmInkwright& w, ScriptedDialogs& d, const ink::StoreAddress& to) {
        d.logins.push_back({loginFor(to)});
        w.ConnecttoSharedDatabase1->trigger();
    }

    // A second copy of the program, in a program folder of its own. It
    // answers from the same script as the first: the general error box
    // belongs to the program, not to a window.
    struct OtherCopy {
        TempDir temp;
        std::shared_ptr<ink::AliasRegistry> registry;
        std::unique_ptr<ink::TDM1> dm;
        std::unique_ptr<ink::TfrmInkwright> window;
    };
    std::unique_ptr<OtherCopy> startOtherCopy() {
        auto copy = std::make_unique<OtherCopy>();
        copy->registry =
            std::make_shared<ink::AliasRegistry>(copy->temp.filePath("config/DatabaseEngine.ini"));
        copy->window = std::make_unique<ink::TfrmInkwright>(
            ink::StartupEnvironment{copy->temp.filePath("program"), copy->registry}, &dialogs);
        copy->dm = std::make_unique<ink::TDM1>(nullptr, copy->registry);
        copy->window->bindDataModule(copy->dm.get());
        copy->window->show();
        return copy;
    }

    void stopOtherCopy(std::unique_ptr<OtherCopy>& copy) {
        copy->window.reset();
        copy->dm.reset();
        copy.reset();
        ink::setErrorDialogs(&dialogs); // the first window's, still open
    }

    // Shows the routines of the first unit that has two or more, and makes `row` current.
    static void showRoutine(ink::TfrmInkwright& w, ink::TDM1& d, int row) {
        w.PageControl1->setCurrentWidget(w.TabSheet2);
        d.tblUnits->first();
        while (d.tblProc->recordCount() < 2 && !d.tblUnits->eof())
            d.tblUnits->next();
        d.tblProc->moveTo(row);
        QApplication::processEvents();
    }

    // Types into the routine's description editor (which puts the row into edit mode).
    static void typeDescription(ink::TfrmInkwright& w, const QString& text) {
        w.DBMemo2->setPlainText(text);
    }
    // Leaving the editor posts the row.
    static void leaveDescription(ink::TfrmInkwright& w) { emit w.DBMemo2->exited(); }
};

TEST_F(SharedStoreWindowTest, ConnectsThroughTheDialogShowsTheStoreAndGoesBackToLocal) {
    PgCluster& cluster = PgCluster::shared();
    const ink::StoreAddress server = cluster.createDatabase("window");
    SampleProject project(temp);
    addDocument(project.projectPath, "local doc");
    EXPECT_EQ(storeShown(*window), "Local");
    EXPECT_EQ(window->storeStatus->text(), "Local");
    EXPECT_FALSE(window->UseLocalDatabase1->isEnabled()); // already there

    connectWindow(*window, dialogs, server);
    EXPECT_EQ(dialogs.messages(), QStringList());
    EXPECT_EQ(storeShown(*window), server.displayName());
    EXPECT_TRUE(window->UseLocalDatabase1->isEnabled());
    EXPECT_EQ(dm->storeName(), server.displayName());
    EXPECT_EQ(dm->tblDocs->recordCount(), 0);
    EXPECT_EQ(window->DBGrid1->model()->rowCount(), 0);
    // The alias names the server now; a later start finds it there.
    EXPECT_EQ(ink::AliasAddress(*registry, "Quillmark").displayName(), server.displayName());

    addDocument(project.projectPath, "team doc");
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"TEAM DOC"}));

    window->UseLocalDatabase1->trigger();
    EXPECT_EQ(storeShown(*window), "Local");
    EXPECT_FALSE(window->UseLocalDatabase1->isEnabled());
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"LOCAL DOC"}));
    EXPECT_EQ(window->DBGrid1->model()->rowCount(), 1);
    EXPECT_FALSE(ink::AliasAddress(*registry, "Quillmark").isServer());

    // Connecting again offers the server the alias named last, and finds its documents.
    connectWindow(*window, dialogs, server);
    EXPECT_EQ(dialogs.loginsOffered.last().server, server.server);
    EXPECT_EQ(dialogs.loginsOffered.last().database, server.database);
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"TEAM DOC"}));
    window->PageControl1->setCurrentWidget(window->TabSheet7);
    QApplication::processEvents();
    EXPECT_EQ(window->Label9->text(), QString::number(dm->tblUnits->recordCount()));
    EXPECT_GT(dm->tblUnits->recordCount(), 0);
    EXPECT_EQ(dialogs.messages(), QStringList());
}

TEST_F(SharedStoreWindowTest, TestSaysWhatFailedAndAFailedConnectLeavesTheOpenStoreAlone) {
    PgCluster& cluster = PgCluster::shared();
    const ink::StoreAddress server = cluster.createDatabase("tested");
    const ink::StoreAddress foreign = cluster.createDatabase("foreign");
    ASSERT_TRUE(cluster.execute(foreign.database, "CREATE TABLE invoices (id integer)"));
    SampleProject project(temp);
    addDocument(project.projectPath, "local doc");

    ink::StoreAddress tcp = cluster.tcpAddress(server.database);
    const QString password = tcp.password;
    ink::StoreAddress closedPort = tcp;
    closedPort.port = 1; // nothing listens there

    dialogs.logins.push_back({loginFor(closedPort), 1, false});
    dialogs.logins.push_back({loginFor(tcp), 1, false});
    dialogs.passwords = {QString("not the password"), std::nullopt};
    window->ConnecttoSharedDatabase1->trigger();
    window->ConnecttoSharedDatabase1->trigger();
    QStringList said = dialogs.texts("serverTest");
    ASSERT_EQ(said.size(), 2);
    EXPECT_TRUE(said[0].startsWith("No database server answers at \"127.0.0.1\" port 1"))
        << said[0].toStdString();
    EXPECT_TRUE(said[1].contains("refused the password")) << said[1].toStdString();
    // The box asked twice: first because the server wants a password, then
    // because it refused the one typed.
    const QStringList asked = dialogs.texts("passwordBox");
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[0].contains("asks for the password")) << asked[0].toStdString();
    EXPECT_TRUE(asked[1].contains("refused the password")) << asked[1].toStdString();

    dialogs.logins.push_back({loginFor(foreign), 1, true});
    window->ConnecttoSharedDatabase1->trigger();
    said = dialogs.texts("serverTest");
    EXPECT_TRUE(said.last().contains("not an Inkwright database and not empty"))
        << said.last().toStdString();
    const QStringList errors = dialogs.texts("generalError");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("not an Inkwright database and not empty"));
    // Every failure left the local store open as it was.
    EXPECT_EQ(storeShown(*window), "Local");
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"LOCAL DOC"}));
    EXPECT_FALSE(ink::AliasAddress(*registry, "Quillmark").isServer());

    // The password that worked in "Test" serves "OK" without asking again,
    // and is written nowhere.
    dialogs.shown.clear();
    dialogs.passwords = {password};
    dialogs.logins.push_back({loginFor(tcp), 1, true});
    window->ConnecttoSharedDatabase1->trigger();
    said = dialogs.texts("serverTest");
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(said[0].startsWith("Connected to")) << said[0].toStdString();
    EXPECT_EQ(dialogs.texts("passwordBox").size(), 1);
    EXPECT_EQ(dialogs.texts("generalError"), QStringList());
    EXPECT_EQ(storeShown(*window), tcp.displayName());
    QFile config(registry->configPath());
    ASSERT_TRUE(config.open(QIODevice::ReadOnly));
    EXPECT_FALSE(config.readAll().contains(password.toUtf8()));

    // Another copy of the program started on that alias asks for the password.
    stopWindow();
    dialogs.shown.clear();
    dialogs.passwords = {password};
    startWindow();
    EXPECT_EQ(dialogs.texts("passwordBox").size(), 1);
    EXPECT_EQ(dialogs.texts("generalError"), QStringList());
    EXPECT_EQ(storeShown(*window), tcp.displayName());
    EXPECT_TRUE(dm->tblProc->isOpen());
}

TEST_F(SharedStoreWindowTest, TheSecondPostOfARowGetsTheConflictAndF5LetsTheUserKeepTheirs) {
    PgCluster& cluster = PgCluster::shared();
    const ink::StoreAddress server = cluster.createDatabase("conflict");
    SampleProject project(temp);
    connectWindow(*window, dialogs, server);
    addDocument(project.projectPath, "shared");
    auto other = startOtherCopy();
    connectWindow(*other->window, dialogs, server);
    ASSERT_EQ(column(other->dm->tblDocs, "DocName"), QStringList({"SHARED"}));

    showRoutine(*window, *dm, 0);
    showRoutine(*other->window, *other->dm, 0);
    const int procNo = dm->tblProcProcNo->asInteger();
    ASSERT_EQ(other->dm->tblProcProcNo->asInteger(), procNo);

    // Both type; the first to leave the editor stores their words.
    typeDescription(*other->window, "Second writer's words.");
    typeDescription(*window, "First writer's words.");
    leaveDescription(*window);
    EXPECT_EQ(dialogs.texts("generalError"), QStringList());

    leaveDescription(*other->window);
    EXPECT_EQ(dialogs.texts("generalError"),
              QStringList({QString::fromLatin1(ink::RowChanged::ChangedByOther)}));
    EXPECT_EQ(other->window->DBMemo2->toPlainText(), "Second writer's words.");
    EXPECT_EQ(other->dm->tblProc->state(), ink::TTable::State::Editing);
    EXPECT_EQ(storedDescription(server, procNo), "First writer's words.");

    // F5 shows both versions; keeping mine stores it over theirs. The box
    // takes the focus from the editor, which must not store the text before
    // the user has chosen.
    dialogs.rowVersions.push_back(ink::Dialogs::RowVersion::Mine);
    QString storedWhileChoosing;
    dialogs.whileChoosing = [&] {
        leaveDescription(*other->window);
        storedWhileChoosing = storedDescription(server, procNo);
    };
    QApplication::setActiveWindow(other->window.get());
    other->window->DBMemo2->setFocus();
    QTest::keyClick(other->window->DBMemo2, Qt::Key_F5);
    ASSERT_EQ(dialogs.texts("chooseRowVersion").size(), 1);
    const ScriptedDialogs::Shown choice = dialogs.shown.last();
    EXPECT_EQ(choice.text, "Description:\nFirst writer's words.");
    EXPECT_EQ(choice.initial, "Description:\nSecond writer's words.");
    dialogs.whileChoosing = nullptr;
    EXPECT_EQ(storedWhileChoosing, "First writer's words.");
    EXPECT_EQ(dialogs.texts("generalError").size(), 1);
    EXPECT_EQ(other->dm->tblProc->state(), ink::TTable::State::Browsing);
    EXPECT_EQ(storedDescription(server, procNo), "Second writer's words.");

    // The first window shows it without being asked, once its timer looked.
    QTRY_COMPARE_WITH_TIMEOUT(window->DBMemo2->toPlainText(), QString("Second writer's words."),
                              5000);

    // The first writer tries again from the stale text; this time they keep theirs.
    typeDescription(*window, "First writer, once more.");
    typeDescription(*other->window, "Second writer, settled.");
    leaveDescription(*other->window);
    leaveDescription(*window);
    ASSERT_EQ(dialogs.texts("generalError").size(), 2);
    dialogs.rowVersions.push_back(ink::Dialogs::RowVersion::Theirs);
    dialogs.whileChoosing = [&] {
        leaveDescription(*window);
    };
    window->RefreshRow2->trigger();
    dialogs.whileChoosing = nullptr;
    EXPECT_EQ(dm->tblProc->state(), ink::TTable::State::Browsing);
    EXPECT_EQ(window->DBMemo2->toPlainText(), "Second writer, settled.");
    EXPECT_EQ(storedDescription(server, procNo), "Second writer, settled.");
    stopOtherCopy(other);
}

TEST_F(SharedStoreWindowTest, OthersWorkAppearsKeepingTheCurrentRowAndWhatIsBeingTyped) {
    PgCluster& cluster = PgCluster::shared();
    const ink::StoreAddress server = cluster.createDatabase("watch");
    SampleProject project(temp);
    connectWindow(*window, dialogs, server);
    addDocument(project.projectPath, "shared");
    auto other = startOtherCopy();
    connectWindow(*other->window, dialogs, server);

    // This window sits on the second routine with half a sentence typed.
    showRoutine(*window, *dm, 1);
    const int current = dm->tblProcProcNo->asInteger();
    const int routines = dm->tblProc->recordCount();
    ASSERT_GE(routines, 2);
    ASSERT_EQ(window->Label10->text(), QString::number(routines));
    typeDescription(*window, "Half a sent");

    // The other describes the first routine and removes the last one.
    showRoutine(*other->window, *other->dm, 0);
    const int first = other->dm->tblProcProcNo->asInteger();
    typeDescription(*other->window, "Described by the other.");
    leaveDescription(*other->window);
    other->dm->tblProc->last();
    dialogs.confirmations.push_back(true);
    other->window->Removefromdocumentation1->trigger();
    ASSERT_EQ(other->dm->tblProc->recordCount(), routines - 1);

    QTRY_COMPARE_WITH_TIMEOUT(window->Label10->text(), QString::number(routines - 1), 5000);
    const int description = dm->tblProc->definition().indexOf("Description");
    EXPECT_EQ(dm->tblProc->rowValue(0, description).toString(), "Described by the other.");
    EXPECT_EQ(dm->tblProcProcNo->asInteger(), current);
    EXPECT_EQ(dm->tblProc->state(), ink::TTable::State::Editing);
    EXPECT_EQ(window->DBMemo2->toPlainText(), "Half a sent");
    EXPECT_EQ(dialogs.texts("generalError"), QStringList());

    leaveDescription(*window);
    EXPECT_EQ(storedDescription(server, current), "Half a sent");
    EXPECT_EQ(storedDescription(server, first), "Described by the other.");
    stopOtherCopy(other);
}

TEST_F(SharedStoreWindowTest, AServerThatGoesAwayMidEditKeepsTheTextForTheNextPost) {
    PgCluster& cluster = PgCluster::shared();
    const ink::StoreAddress server = cluster.createDatabase("away");
    SampleProject project(temp);
    connectWindow(*window, dialogs, server);
    addDocument(project.projectPath, "shared");
    showRoutine(*window, *dm, 0);
    const int procNo = dm->tblProcProcNo->asInteger();

    typeDescription(*window, "Typed while the server was away.");
    ASSERT_TRUE(cluster.stop());
    leaveDescription(*window);
    const QStringList errors = dialogs.texts("generalError");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("Cannot reach the database server"))
        << errors[0].toStdString();
    EXPECT_EQ(window->DBMemo2->toPlainText(), "Typed while the server was away.");
    EXPECT_EQ(dm->tblProc->state(), ink::TTable::State::Editing);

    ASSERT_TRUE(cluster.start()) << cluster.lastError().toStdString();
    leaveDescription(*window);
    EXPECT_EQ(dialogs.texts("generalError").size(), 1);
    EXPECT_EQ(dm->tblProc->state(), ink::TTable::State::Browsing);
    EXPECT_EQ(storedDescription(server, procNo), "Typed while the server was away.");
    EXPECT_EQ(storeShown(*window), server.displayName());
}

// A page the server cannot trust, met by a read: the window closes the store
// as it does a damaged local one, rather than show what it could still read.
TEST_F(SharedStoreWindowTest, DamageTheServerReportsClosesTheStoreAndStopsEditing) {
    PgCluster& cluster = PgCluster::shared();
    const ink::StoreAddress server = cluster.createDatabase("damaged");
    SampleProject project(temp);
    connectWindow(*window, dialogs, server);
    addDocument(project.projectPath, "shared");
    ASSERT_EQ(dialogs.messages(), QStringList());
    ASSERT_GE(dm->tblUnits->recordCount(), 2);
    const QString data = cluster.query(server.database, "SHOW data_directory").trimmed();
    const QString routines =
        cluster.query(server.database, "SELECT pg_relation_filepath('procslib')").trimmed();
    ASSERT_TRUE(cluster.stop());
    {
        QFile file(data + "/" + routines);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << file.fileName().toStdString();
        file.write(QByteArray(24, '\xa5')); // the first page's header
    }
    ASSERT_TRUE(cluster.start()) << cluster.lastError().toStdString();
    dm->showOthersChanges(); // finds the connection lost; the next read makes it again

    window->PageControl1->setCurrentWidget(window->TabSheet7);
    window->DBGrid2->setFocus();
    window->DBGrid2->setCurrentIndex(window->DBGrid2->model()->index(1, 0));
    QApplication::processEvents();
    const QStringList errors = dialogs.texts("generalError");
    ASSERT_EQ(errors.size(), 1) << errors.join('\n').toStdString();
    EXPECT_TRUE(errors[0].startsWith("Cannot open the database \"" + server.displayName()))
        << errors[0].toStdString();
    EXPECT_TRUE(errors[0].contains("damaged")) << errors[0].toStdString();
    EXPECT_FALSE(dm->tblDocs->isOpen());
    EXPECT_EQ(window->DBGrid1->model()->rowCount(), 0);
    for (const QPushButton* button :
         {window->Button26, window->Button27, window->Button28, window->Button2, window->Button29})
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    EXPECT_EQ(window->storeStatus->text(), "Damaged store, closed");
}

} // namespace
