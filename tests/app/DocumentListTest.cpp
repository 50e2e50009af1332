#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include "store/MissingRows.h"
#include "support/FileTimes.h"
#include "WindowFixture.h"

using State = ink::TTable::State;

TEST_F(WindowTest, AddBuildsEveryRowOfAMultiFolderProject) {
    SampleProject project(temp);
    addDocument(project.projectPath, "Sample App");

    EXPECT_TRUE(dialogs.texts("error").isEmpty());
    EXPECT_EQ(dialogs.fileRequests.size(), 1);
    EXPECT_EQ(dialogs.fileRequests[0].title, "Open File");
    EXPECT_EQ(
        dialogs.fileRequests[0].filters,
        QStringList({"Delphi Projects (*.dpr)", "Delphi Units (*.pas)", "Lazarus Projects (*.lpr)",
                     "Delphi Packages (*.dpk)", "Delphi Project Options (*.dproj)",
                     "Lazarus Packages (*.lpk)", "Lazarus Project Options (*.lpi)"}));
    EXPECT_TRUE(window->ProgressBar1->isHidden());
    EXPECT_EQ(window->StatusBar1->currentMessage(), "");

    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"SAMPLE APP"}));
    EXPECT_EQ(dm->tblDocsDPRFileName->asString(), project.projectPath);
    EXPECT_EQ(dm->tblDocsDocSize->asInteger(), 2); // 1500 + 600 + a small unit, in whole KB
    EXPECT_FALSE(dm->tblDocsDocDate->isNull());

    EXPECT_EQ(column(dm->tblUnits, "UnitName"),
              QStringList({"Forms", "Main.pas", "Helpers.pas", "DATA.PAS"}));
    EXPECT_EQ(column(dm->tblUnits, "FormName"),
              QStringList({"N/A", "FormMain", "N/A", "DataModule1: TDataModule"}));
    EXPECT_EQ(column(dm->tblUnits, "UnitPath"),
              QStringList({"", "Main.pas", "..\\lib\\Helpers.pas", "..\\lib\\sub\\DATA.PAS"}));
    // After the build the last unit is current.
    EXPECT_EQ(dm->tblUnitsUnitName->asString(), "DATA.PAS");

    struct Expected {
        QStringList names, types, params, results;
    };
    const QList<Expected> expected = {
        {{"N/A"}, {"PROCEDURE"}, {"N/A"}, {"<None>"}},
        {{"Button1Click", "Init", "GetCount"},
         {"PROCEDURE", "PROCEDURE", "FUNCTION"},
         {"Sender: TObject", "A: Integer; B: Integer", "<None>"},
         {"<None>", "<None>", "Integer"}},
        {{"N/A", "Twice"}, {"PROCEDURE", "FUNCTION"}, {"N/A", "X: Integer"}, {"<None>", "Integer"}},
        {{"Connect", "N/A"}, {"PROCEDURE", "FUNCTION"}, {"<None>", "N/A"}, {"<None>", "N/A"}},
    };
    dm->tblUnits->first();
    for (const Expected& unit : expected) {
        SCOPED_TRACE(dm->tblUnitsUnitName->asString().toStdString());
        EXPECT_EQ(column(dm->tblProc, "ProcName"), unit.names);
        EXPECT_EQ(column(dm->tblProc, "ProcType"), unit.types);
        EXPECT_EQ(column(dm->tblProc, "ProcParams"), unit.params);
        EXPECT_EQ(column(dm->tblProc, "ResultType"), unit.results);
        dm->tblUnits->next();
    }
}

// The unit list's hint over a unit whose source was not found says so and
// where it was looked for; a unit read from its file has no hint of its own.
TEST_F(WindowTest, AUnitWhoseSourceWasNotFoundSaysSoInItsHint) {
    SampleProject project(temp);
    addDocument(project.projectPath, "Sample App");
    QAbstractItemModel* units = window->DBGrid2->model();
    ASSERT_EQ(units->rowCount(), 4);
    // A unit of the library the project is built against is no missing source.
    EXPECT_EQ(units->index(0, 0).data(Qt::ToolTipRole).toString(), "Library unit (vcl)");
    for (int row = 1; row < 4; ++row)
        EXPECT_FALSE(units->index(row, 0).data(Qt::ToolTipRole).isValid()) << row;

    QFile::remove(project.helpersPath);
    QTest::mouseClick(window->Button2, Qt::LeftButton);
    EXPECT_EQ(units->index(2, 1).data(Qt::ToolTipRole).toString(),
              "Source not found: " + temp.filePath("work/lib/Helpers.pas"));
}

// A unit whose file is there but cannot be read says why in its hint, and
// the refresh leaves that word in the status bar rather than a box; its
// routines stay, none of them dimmed as gone.
TEST_F(WindowTest, AUnitThatCannotBeReadSaysWhyInItsHintAndTheStatusBar) {
    SampleProject project(temp);
    addDocument(project.projectPath, "Sample App");
    QFile::remove(project.helpersPath);
    QDir().mkpath(project.helpersPath);
    const int before = dialogs.texts("error").size();
    QTest::mouseClick(window->Button2, Qt::LeftButton);
    const QString why = "Source could not be read: it is a folder (" +
                        QDir::toNativeSeparators(project.helpersPath) + ")";
    QAbstractItemModel* units = window->DBGrid2->model();
    EXPECT_EQ(units->index(2, 1).data(Qt::ToolTipRole).toString(), why);
    EXPECT_EQ(window->StatusBar1->currentMessage(), "Helpers.pas: " + why);
    EXPECT_EQ(dialogs.texts("error").size(), before);
    ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Helpers.pas"));
    EXPECT_EQ(column(dm->tblProc, "ProcName"), QStringList({"N/A", "Twice"}));
    EXPECT_EQ(ink::RowsLeftTheSource(*dm, *dm->tblProc), 0);

    // Read again, the unit says nothing, and neither does the bar.
    QDir(project.helpersPath).removeRecursively();
    temp.write("work/lib/Helpers.pas",
               "unit Helpers;\ninterface\nfunction Twice(X: Integer): Integer;\n"
               "implementation\nend.\n");
    QTest::mouseClick(window->Button2, Qt::LeftButton);
    EXPECT_FALSE(units->index(2, 1).data(Qt::ToolTipRole).isValid());
    EXPECT_EQ(window->StatusBar1->currentMessage(), "");
}

// A unit looked for on the search paths of the project's options names every
// place it was looked in.
TEST_F(WindowTest, AUnitNotFoundOnTheSearchPathsNamesThem) {
    temp.write("work/lib/Found.pas",
               "unit Found;\ninterface\nprocedure F;\nimplementation\nend.\n");
    temp.write("work/app/App.cfg", "-U\"..\\lib;..\\more\"\r\n");
    const QString project =
        temp.write("work/app/App.dpr", "program App;\nuses\n  Found,\n  Lost;\nbegin\nend.\n");
    addDocument(project, "Paths");
    QAbstractItemModel* units = window->DBGrid2->model();
    ASSERT_EQ(units->rowCount(), 2);
    EXPECT_FALSE(units->index(0, 0).data(Qt::ToolTipRole).isValid());
    EXPECT_EQ(units->index(1, 0).data(Qt::ToolTipRole).toString(),
              "Source not found: " + temp.filePath("work/app/Lost") + "; also looked in " +
                  temp.filePath("work/lib") + ", " + temp.filePath("work/more"));
}

TEST_F(WindowTest, AddRefusesADuplicateNameInOtherLetterCase) {
    SampleProject project(temp);
    addDocument(project.projectPath, "first");
    addDocument(project.projectPath, "second");
    addDocument(project.projectPath, "First");
    EXPECT_EQ(dialogs.texts("warning"),
              QStringList(
                  {"This document already exists. Please try again then specify different name."}));
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"FIRST", "SECOND"}));
    EXPECT_EQ(dm->tblDocsDocName->asString(), "FIRST"); // the existing one became current
}

// The list may not show yet what another program added a moment ago: the
// name is looked for again in the store before anything is written.
TEST_F(WindowTest, AddRefusesANameAnotherProgramAddedSinceTheListWasRead) {
    SampleProject project(temp);
    addDocument(project.projectPath, "first");
    runSql(dm->database().name(), "INSERT INTO DocsLib (DocName) VALUES ('OTHER')");
    ASSERT_EQ(column(dm->tblDocs, "DocName"), QStringList({"FIRST"}));
    addDocument(project.projectPath, "Other");
    EXPECT_EQ(dialogs.texts("warning"),
              QStringList(
                  {"This document already exists. Please try again then specify different name."}));
    EXPECT_TRUE(dialogs.texts("error").isEmpty());
    EXPECT_EQ(countRows("DocsLib"), 2);
    EXPECT_EQ(countRows("UnitsLib"), 4);
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"FIRST", "OTHER"}));
    EXPECT_TRUE(window->ProgressBar1->isHidden());
}

TEST_F(WindowTest, AddRefusesTheSameLongNameTwice) {
    SampleProject project(temp);
    const QString longName(60, QChar('x'));
    addDocument(project.projectPath, longName);
    addDocument(project.projectPath, longName);
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({QString(50, QChar('X'))}));
    EXPECT_EQ(dialogs.texts("warning").size(), 1);
}

TEST_F(WindowTest, CancelInEitherDialogChangesNothing) {
    SampleProject project(temp);
    dialogs.files.push_back(std::nullopt);
    QTest::mouseClick(window->Button26, Qt::LeftButton);
    dialogs.files.push_back(project.projectPath);
    dialogs.inputs.push_back(std::nullopt);
    QTest::mouseClick(window->Button26, Qt::LeftButton);
    EXPECT_EQ(countRows("DocsLib"), 0);
    // The dialog offers the file chosen the previous time.
    dialogs.files.push_back(std::nullopt);
    QTest::mouseClick(window->Button26, Qt::LeftButton);
    EXPECT_EQ(dialogs.fileRequests.last().initialFile, project.projectPath);
}

TEST_F(WindowTest, AProjectThatCannotBeOpenedStillGetsItsDocumentRow) {
    const QString missing = temp.filePath("nowhere/Gone.dpr");
    addDocument(missing, "gone");
    EXPECT_EQ(dialogs.texts("error"), QStringList({"File " + missing + " could not be opened."}));
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"GONE"}));
    EXPECT_EQ(dm->tblDocsDocSize->asInteger(), 0);
    EXPECT_EQ(countRows("UnitsLib"), 0);
    EXPECT_TRUE(window->ProgressBar1->isHidden());
}

TEST_F(WindowTest, AnErrorEndingAddHidesTheProgressBarAndKeepsWhatWasWritten) {
    SampleProject project(temp);
    dm->tblProc->close(); // every routine append now fails
    addDocument(project.projectPath, "broken");
    EXPECT_EQ(dialogs.texts("generalError").size(), 1);
    EXPECT_TRUE(window->ProgressBar1->isHidden());
    EXPECT_EQ(window->StatusBar1->currentMessage(), "");
    EXPECT_EQ(countRows("DocsLib"), 1);
    EXPECT_EQ(countRows("UnitsLib"), 4);
}

TEST_F(WindowTest, RefreshKeepsEveryDescriptionAndAddsWhatIsNew) {
    SampleProject project(temp);
    addDocument(project.projectPath, "sample");
    dm->tblUnits->first();
    dm->tblUnits->next();
    dm->tblUnits->edit();
    dm->tblUnitsDescription->setValue("The main form.");
    dm->tblUnits->post();
    dm->tblProc->first();
    dm->tblProc->edit();
    dm->tblProcDescription->setValue("Handles the button.\r\nSecond line.");
    dm->tblProc->post();
    const int units = countRows("UnitsLib");
    const int routines = countRows("ProcsLib");

    QTest::mouseClick(window->Button2, Qt::LeftButton);
    EXPECT_EQ(countRows("UnitsLib"), units);
    EXPECT_EQ(countRows("ProcsLib"), routines);

    QFile unit(project.mainUnitPath);
    ASSERT_TRUE(unit.open(QIODevice::ReadWrite));
    QByteArray text = unit.readAll();
    text.replace("    function GetCount", "    procedure Reset;\r\n    function GetCount");
    unit.resize(0);
    unit.write(text);
    unit.close();
    QTest::mouseClick(window->Button2, Qt::LeftButton);
    EXPECT_EQ(countRows("ProcsLib"), routines + 1);
    EXPECT_EQ(dialogs.messages(), QStringList());

    dm->tblUnits->locate("UnitName", "main.pas");
    EXPECT_EQ(dm->tblUnitsDescription->asString(), "The main form.");
    EXPECT_EQ(column(dm->tblProc, "ProcName"),
              QStringList({"Button1Click", "Init", "GetCount", "Reset"}));
    EXPECT_EQ(column(dm->tblProc, "Description").first(), "Handles the button.\r\nSecond line.");
    // The lists are attached again and show the fresh counts.
    EXPECT_NE(window->DBGrid2->dataSource(), nullptr);
    EXPECT_EQ(window->Label9->text(), "4");
}

// A refresh reads only the units whose files changed; with Shift held it
// reads every one, for when the files' times cannot be trusted.
TEST_F(WindowTest, RefreshWithShiftReadsEveryUnit) {
    SampleProject project(temp);
    AgeFileTree(temp.path());
    addDocument(project.projectPath, "sample");
    const int routines = countRows("ProcsLib");
    RewriteUnseen(project.mainUnitPath, "GetCount", "GetTotal");

    QTest::mouseClick(window->Button2, Qt::LeftButton);
    EXPECT_EQ(countRows("ProcsLib"), routines);
    QTest::mouseClick(window->Button2, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(countRows("ProcsLib"), routines + 1);
    EXPECT_EQ(dialogs.messages(), QStringList());
}

TEST_F(WindowTest, RefreshWithNoDocumentDoesNothing) {
    QTest::mouseClick(window->Button2, Qt::LeftButton);
    EXPECT_EQ(dialogs.messages(), QStringList());
    EXPECT_EQ(countRows("DocsLib"), 0);
}

TEST_F(WindowTest, RenameUpperCasesAndAllowsDuplicates) {
    QTest::mouseClick(window->Button27, Qt::LeftButton); // empty list: nothing at all
    EXPECT_EQ(dialogs.messages(), QStringList());
    EXPECT_EQ(countRows("DocsLib"), 0);

    SampleProject project(temp);
    addDocument(project.projectPath, "one");
    addDocument(project.projectPath, "two");
    dialogs.inputs.push_back(QStringLiteral("one-ä"));
    QTest::mouseClick(window->Button27, Qt::LeftButton);
    EXPECT_EQ(dialogs.shown.last().initial, "TWO");
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"ONE", "ONE-ä"}));
    dialogs.inputs.push_back(std::nullopt);
    QTest::mouseClick(window->Button27, Qt::LeftButton);
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"ONE", "ONE-ä"}));
}

TEST_F(WindowTest, DeleteRemovesTheDocumentWithItsUnitsAndRoutines) {
    SampleProject project(temp);
    addDocument(project.projectPath, "one");
    addDocument(project.projectPath, "two");
    const int unitsOfOne = countRows("UnitsLib") / 2;
    const int routinesOfOne = countRows("ProcsLib") / 2;
    dm->tblDocs->first();
    QTest::mouseClick(window->Button28, Qt::LeftButton);
    EXPECT_EQ(column(dm->tblDocs, "DocName"), QStringList({"TWO"}));
    EXPECT_EQ(countRows("UnitsLib"), unitsOfOne);
    EXPECT_EQ(countRows("ProcsLib"), routinesOfOne);
    QTest::mouseClick(window->Button28, Qt::LeftButton);
    QTest::mouseClick(window->Button28, Qt::LeftButton); // empty list: nothing
    EXPECT_EQ(countRows("DocsLib"), 0);
    EXPECT_TRUE(dialogs.texts("generalError").isEmpty());
}

TEST_F(WindowTest, RemoveCommandsTakeTheRowsBelowAndReportAnEmptyList) {
    SampleProject project(temp);
    addDocument(project.projectPath, "one");
    dm->tblUnits->first();
    dm->tblUnits->next(); // Main.pas with three routines
    const int routines = countRows("ProcsLib");
    window->RemovefromProject1->trigger();
    EXPECT_EQ(countRows("UnitsLib"), 3);
    EXPECT_EQ(countRows("ProcsLib"), routines - 3);

    dm->tblUnits->first(); // Forms: its placeholder routine
    window->Removefromdocumentation1->trigger();
    EXPECT_EQ(dm->tblProc->recordCount(), 0);
    window->Removefromdocumentation1->trigger();
    EXPECT_EQ(dialogs.texts("generalError"),
              QStringList({"Cannot perform this operation on an empty dataset."}));
}

TEST_F(WindowTest, LeavingAnEditorPostsEvenWithoutAChange) {
    SampleProject project(temp);
    addDocument(project.projectPath, "one");
    window->DBEdit1->setFocus();
    QTest::keyClicks(window->DBEdit1, "Ada Lovelace");
    EXPECT_EQ(dm->tblDocs->state(), State::Editing);
    window->DBEdit2->setFocus();
    EXPECT_EQ(dm->tblDocs->state(), State::Browsing);
    EXPECT_EQ(dm->tblDocsDocAuthor->asString(), "Ada Lovelace");
    // The editor takes no more than the field holds.
    EXPECT_EQ(window->DBEdit1->maxLength(), 50);
}

TEST_F(WindowTest, LeavingTheUnitDescriptionWithoutUnitsWritesNothing) {
    window->PageControl1->setCurrentIndex(1);
    window->DBMemo1->setFocus();
    QTest::keyClicks(window->DBMemo1, "lost"); // no unit to hold it: the editor takes nothing
    EXPECT_EQ(window->DBMemo1->toPlainText(), "");
    EXPECT_EQ(dm->tblUnits->state(), State::Browsing);
    window->DBGrid2->setFocus();
    EXPECT_EQ(countRows("UnitsLib"), 0);
    EXPECT_EQ(dialogs.messages(), QStringList());
}
