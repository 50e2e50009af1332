#include <QCheckBox>
#include <QFile>

#include "WindowFixture.h"

namespace {
QString fixture(const char* name) {
    return QStringLiteral(INKWRIGHT_SOURCE_DIR "/tests/fixtures/verinfo/") + name;
}

QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}
} // namespace

TEST_F(WindowTest, PreviewCapturesVersionInfoEvenWhenTheLibraryIsMissing) {
    SampleProject project(temp);
    QFile::copy(fixture("app-040904E4.exe"), temp.filePath("work/app/App.exe"));
    addDocument(project.projectPath, "sample");
    QTest::mouseClick(window->DBCheckBox1, Qt::LeftButton);

    QTest::mouseClick(window->Button29, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages(), QStringList({"error: Error: Cannot load library Leafpress.dll"}));
    EXPECT_EQ(dm->tblDocs->state(), ink::TTable::State::Browsing);
    EXPECT_EQ(dm->tblDocsCompanyName->asString(), "Quill & Sons Ltd");
    EXPECT_EQ(dm->tblDocsVersionNo->asString(), "2.5.0.117");
    EXPECT_EQ(dm->tblDocsAppEXEName->asString(), temp.filePath("work/app/App.exe"));
    EXPECT_EQ(dm->tblDocsFileName->asString(), temp.filePath("work/app/App.exe"));
}

TEST_F(WindowTest, PreviewWithoutAnExecutableRecordsTheLibraryPathTried) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    QTest::mouseClick(window->DBCheckBox1, Qt::LeftButton);
    QTest::mouseClick(window->Button29, Qt::LeftButton);
    EXPECT_EQ(dm->tblDocsAppEXEName->asString(), temp.filePath("work/app/App.dll"));
    EXPECT_EQ(dm->tblDocsCompanyName->asString(), "");
    EXPECT_TRUE(dm->tblDocsisVerInfo->asBoolean());
}

TEST_F(WindowTest, PreviewHandsTheCurrentDocumentNumberToTheLibrary) {
    const QString log = temp.filePath("stub.log");
    qputenv("LEAFPRESS_STUB_LOG", log.toLocal8Bit());
    ASSERT_TRUE(QFile::copy(STUB_LIBRARY, temp.filePath("program/Leafpress.dll")));

    QTest::mouseClick(window->Button29, Qt::LeftButton); // no documents: 0
    SampleProject project(temp);
    addDocument(project.projectPath, "one");
    addDocument(project.projectPath, "two");
    const int second = dm->tblDocsDocNo->asInteger();
    QTest::mouseClick(window->Button29, Qt::LeftButton);
    qunsetenv("LEAFPRESS_STUB_LOG");

    EXPECT_EQ(readLines(log), QStringList({"load", "call 0", "unload", "load",
                                           "call " + QString::number(second), "unload"}));
    EXPECT_EQ(dialogs.messages(), QStringList());
    // Without the flag nothing was captured.
    EXPECT_EQ(dm->tblDocsAppEXEName->asString(), "");
}

TEST_F(WindowTest, DefaultsAreSavedFromTheEditorsAndAppliedToTheDocument) {
    SampleProject project(temp);
    addDocument(project.projectPath, "one");
    const QString settings = temp.filePath("program/Settings.ini");

    QTest::mouseClick(window->Button1, Qt::LeftButton); // no file yet: both emptied
    EXPECT_FALSE(QFile::exists(settings));
    EXPECT_TRUE(dm->tblDocsDocAuthor->isNull());

    window->DBEdit1->setFocus();
    QTest::keyClicks(window->DBEdit1, "Ada Lovelace");
    window->DBEdit2->setFocus();
    QTest::keyClicks(window->DBEdit2, "Analytical Engines");
    window->CheckBox2->setChecked(true);
    EXPECT_TRUE(readLines(settings).contains("Author=Ada Lovelace"));
    EXPECT_TRUE(readLines(settings).contains("Company=Analytical Engines"));

    addDocument(project.projectPath, "two");
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    EXPECT_EQ(dm->tblDocsDocName->asString(), "TWO");
    EXPECT_EQ(dm->tblDocsDocAuthor->asString(), "Ada Lovelace");
    EXPECT_EQ(dm->tblDocsDocCompany->asString(), "Analytical Engines");
    EXPECT_EQ(window->DBEdit1->text(), "Ada Lovelace");
    EXPECT_EQ(dm->tblDocs->state(), ink::TTable::State::Browsing);
}

TEST_F(WindowTest, DefaultWithAnEmptyListDoesNothing) {
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    EXPECT_EQ(countRows("DocsLib"), 0);
    EXPECT_EQ(dialogs.messages(), QStringList());
}

// The library reads the store, not the window: a routine's description still
// being typed is stored before it runs, as the document row's change is.
TEST_F(WindowTest, PreviewStoresEveryEditStillPending) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    window->PageControl1->setCurrentWidget(window->TabSheet2);
    dm->tblProc->edit();
    dm->tblProcDescription->setValue("Typed, not yet posted.");

    QTest::mouseClick(window->Button29, Qt::LeftButton);
    EXPECT_EQ(dm->tblProc->state(), ink::TTable::State::Browsing);
    ink::Statement stored(
        dm->database(),
        "SELECT COUNT(*) FROM ProcsLib WHERE Description = 'Typed, not yet posted.'");
    ASSERT_TRUE(stored.step());
    EXPECT_EQ(stored.integerAt(0), 1);
}
