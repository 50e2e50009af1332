// Every copy of the program works on the store in its own folder, and only
// there: when its start-up fails, when the shared alias is moved under it,
// and when it hands a document to the report library.
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProgressBar>

#include "store/Startup.h"
#include "store/testing/FaultyVfs.h"
#include "WindowFixture.h"

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList readLines(const QString& path) {
    return QString::fromUtf8(bytesOf(path)).split('\n', Qt::SkipEmptyParts);
}

class OwnStoreTest : public WindowTest {
protected:
    QString configPath() const { return temp.filePath("config/DatabaseEngine.ini"); }
    QString firstCopyStore() const { return temp.filePath("program/Data/Inkwright.sqlite"); }

    // Starts a second copy of the program from `folder`, as a new process
    // would: its own registry read from the shared configuration.
    void startCopy(const QString& folder, const QString& config) {
        stopWindow();
        dialogs.shown.clear();
        registry = std::make_shared<ink::AliasRegistry>(config);
        window = std::make_unique<ink::TfrmInkwright>(ink::StartupEnvironment{folder, registry},
                                                      &dialogs);
        dm = std::make_unique<ink::TDM1>(nullptr, registry);
        window->bindDataModule(dm.get());
        window->show();
        QApplication::processEvents();
    }

    bool allTablesClosed() const {
        return !dm->tblDocs->isOpen() && !dm->tblUnits->isOpen() && !dm->tblProc->isOpen();
    }

    // The first copy's store holds one document, and the alias names it.
    void setUpFirstCopy() {
        SampleProject project(temp);
        addDocument(project.projectPath, "first");
        ASSERT_EQ(countRows("DocsLib"), 1);
        stopWindow();
        ASSERT_EQ(QDir::cleanPath(ink::AliasRegistry(configPath()).aliasPath("Quillmark")),
                  temp.filePath("program/Data"));
    }
};

} // namespace

TEST_F(OwnStoreTest, ACopyWithoutItsDataNeverOpensAnotherCopysStore) {
    setUpFirstCopy();
    temp.write("second/Data", "a plain file where the data directory should be");
    const QString secondData = ink::dataDirectoryFor(temp.filePath("second"));

    OpenedFiles opened;
    startCopy(temp.filePath("second"), configPath());
    ASSERT_FALSE(dialogs.texts("generalError").isEmpty());
    EXPECT_TRUE(
        dialogs.texts("generalError").first().startsWith("Cannot create the data directory"))
        << dialogs.texts("generalError").first().toStdString();
    EXPECT_TRUE(allTablesClosed());
    // The alias names this copy's data now, in memory and in the file.
    EXPECT_EQ(registry->aliasPath("Quillmark"), secondData);
    EXPECT_EQ(ink::AliasRegistry(configPath()).aliasPath("Quillmark"), secondData);

    // Commands that reach for the store fail, and reach for no other.
    SampleProject project(temp);
    addDocument(project.projectPath, "second");
    QTest::mouseClick(window->Button2, Qt::LeftButton);
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    EXPECT_TRUE(allTablesClosed());
    EXPECT_EQ(opened.namesUnder(temp.filePath("program")), QStringList());
    stopWindow();
    EXPECT_FALSE(QFileInfo::exists(firstCopyStore() + "-wal"));
    EXPECT_FALSE(QFileInfo::exists(firstCopyStore() + "-shm"));
}

TEST_F(OwnStoreTest, AnUnreadableAliasConfigurationIsAFailedStepNotAnAbort) {
    setUpFirstCopy();
    // A folder where the configuration file should be.
    const QString config = temp.filePath("config-as-folder/DatabaseEngine.ini");
    ASSERT_TRUE(QDir().mkpath(config));

    OpenedFiles opened;
    startCopy(temp.filePath("program"), config);
    const QStringList errors = dialogs.texts("generalError");
    ASSERT_EQ(errors.size(), 2) << errors.join('\n').toStdString();
    EXPECT_TRUE(errors[0].startsWith("Cannot read the configuration \"" + config + "\""))
        << errors[0].toStdString();
    EXPECT_TRUE(errors[1].contains(config)) << errors[1].toStdString();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->ProgressBar1->parentWidget(), window->Panel1);
    EXPECT_TRUE(allTablesClosed());
    EXPECT_TRUE(QFileInfo(config).isDir());
    EXPECT_EQ(opened.names(), QStringList());
}

TEST_F(OwnStoreTest, AProgramFolderWithALineBreakIsRefusedAndTheAliasKept) {
    setUpFirstCopy();
    const QByteArray configBefore = bytesOf(configPath());
    const QString odd = temp.filePath("odd\nplace");
    ASSERT_TRUE(QDir().mkpath(odd));

    OpenedFiles opened;
    startCopy(odd, configPath());
    const QStringList errors = dialogs.texts("generalError");
    ASSERT_FALSE(errors.isEmpty());
    EXPECT_TRUE(errors[0].contains("line break")) << errors[0].toStdString();
    EXPECT_EQ(bytesOf(configPath()), configBefore);
    EXPECT_TRUE(allTablesClosed());
    EXPECT_EQ(opened.namesUnder(temp.filePath("program")), QStringList());
}

TEST_F(OwnStoreTest, PreviewPointsTheAliasBackAtThisCopysDataFirst) {
    const QString log = temp.filePath("stub.log");
    qputenv("LEAFPRESS_STUB_LOG", log.toLocal8Bit());
    qputenv("LEAFPRESS_STUB_CONFIG", configPath().toLocal8Bit());
    ASSERT_TRUE(QFile::copy(STUB_LIBRARY, temp.filePath("program/Leafpress.dll")));

    // Another copy starts meanwhile and takes the shared alias.
    ink::AliasRegistry other(configPath());
    ink::EnsureDatabaseAlias(other, "Quillmark", temp.filePath("other/Data"), true);
    QTest::mouseClick(window->Button29, Qt::LeftButton);
    qunsetenv("LEAFPRESS_STUB_LOG");
    qunsetenv("LEAFPRESS_STUB_CONFIG");

    EXPECT_EQ(readLines(log),
              QStringList({"load", "call 0",
                           "PATH = " + ink::dataDirectoryFor(temp.filePath("program")), "unload"}));
    EXPECT_EQ(dialogs.messages(), QStringList());
}

TEST_F(OwnStoreTest, PreviewStoresAPendingChangeOfTheDocumentFirst) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    QTest::mouseClick(window->DBCheckBox1, Qt::LeftButton);
    window->DBEdit1->setFocus();
    window->DBEdit2->setFocus(); // leaving the author editor posts the ticked box
    ASSERT_TRUE(dm->tblDocsisVerInfo->asBoolean());

    const QString log = temp.filePath("stub.log");
    qputenv("LEAFPRESS_STUB_LOG", log.toLocal8Bit());
    qputenv("LEAFPRESS_STUB_DATABASE", firstCopyStore().toLocal8Bit());
    qputenv("LEAFPRESS_STUB_QUERY", "SELECT IsVerInfo FROM DocsLib");
    ASSERT_TRUE(QFile::copy(STUB_LIBRARY, temp.filePath("program/Leafpress.dll")));
    // Unticked just now: the change is still pending when "Preview" is pressed.
    QTest::mouseClick(window->DBCheckBox1, Qt::LeftButton);
    ASSERT_EQ(dm->tblDocs->state(), ink::TTable::State::Editing);
    QTest::mouseClick(window->Button29, Qt::LeftButton);
    qunsetenv("LEAFPRESS_STUB_LOG");
    qunsetenv("LEAFPRESS_STUB_DATABASE");
    qunsetenv("LEAFPRESS_STUB_QUERY");

    const QString docNo = QString::number(dm->tblDocsDocNo->asInteger());
    EXPECT_EQ(readLines(log), QStringList({"load", "call " + docNo, "row 0", "unload"}));
    EXPECT_EQ(dm->tblDocs->state(), ink::TTable::State::Browsing);
    EXPECT_EQ(dialogs.messages(), QStringList());
}

// The program itself, with a folder where its alias configuration should
// be: it reports the error and opens its window instead of aborting.
TEST(OwnStoreProgram, AnUnreadableAliasConfigurationDoesNotAbortTheProgram) {
    TempDir temp;
    const QString program = temp.filePath("program/inkwright");
    ASSERT_TRUE(QFile::copy(INKWRIGHT_PROGRAM, program));
    QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner);
    ASSERT_TRUE(QDir().mkpath(temp.filePath("config/Inkwright/DatabaseEngine.ini")));

    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", temp.filePath("config"));
    environment.insert("HOME", temp.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    run.setProcessEnvironment(environment);
    run.start(program, {});
    ASSERT_TRUE(run.waitForStarted());
    // The data directory is made in the window's create step, just before
    // the alias step shows its error box and waits for an answer.
    const QString data = temp.filePath("program/Data");
    QDeadlineTimer deadline(20000);
    while (!QFileInfo(data).isDir() && run.state() == QProcess::Running && !deadline.hasExpired())
        run.waitForFinished(50);
    const bool runningAfterStartUp = run.state() == QProcess::Running;
    run.kill();
    run.waitForFinished();
    EXPECT_TRUE(runningAfterStartUp);
    EXPECT_TRUE(QFileInfo(data).isDir());
    EXPECT_FALSE(run.readAllStandardError().contains("terminate called"));
}
