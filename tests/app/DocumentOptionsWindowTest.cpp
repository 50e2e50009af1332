// "Document Options..." on the real window: the configuration a document's
// conditional code is read with, and the document read again when it changes;
// what the document's reports show, and the preview following it.
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "store/Startup.h"

#include "app/DocumentOptionsDialog.h"
#include "WindowFixture.h"

namespace {

class DocumentOptionsWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        temp.write("Plat.pas", "unit Plat;\ninterface\n"
                               "{$IFDEF MSWINDOWS} procedure WinOnly; {$ENDIF}\n"
                               "{$IFDEF UNIX} procedure UnixOnly; {$ENDIF}\n"
                               "procedure Always;\nimplementation\nend.\n");
        project = temp.write("App.dpr", "program App;\nuses\n  Plat in 'Plat.pas';\nbegin\nend.\n");
        addDocument(project, "app");
        QApplication::processEvents();
        ASSERT_TRUE(dm->tblUnits->locate("UnitName", "Plat.pas"));
    }
    // The routines of Plat that the last read of the document found, in row order.
    QStringList foundRoutines(const QString& document = "APP") {
        return sqlText(dm->database().name(),
                       "SELECT group_concat(ProcName, ',') FROM (SELECT ProcName FROM ProcsLib "
                       "JOIN DocsLib USING (DocNo) WHERE ProcsLib.LastSeen = DocsLib.LastScan "
                       "AND ProcName <> 'N/A' AND DocName = '" +
                           document + "' ORDER BY ProcNo)")
            .split(',');
    }
    QString project;
};

} // namespace

TEST_F(DocumentOptionsWindow, AConfigurationChosenReadsTheDocumentAgainWithItsDefines) {
    EXPECT_TRUE(window->PopupMenu5->actions().contains(window->DocumentOptions1));
    EXPECT_EQ(window->DocumentOptions1->text(), "Document Options...");
    EXPECT_EQ(foundRoutines(), QStringList({"WinOnly", "UnixOnly", "Always"}));

    dialogs.documentOptionAnswers.push_back(ink::Dialogs::DocumentOptions{"x86_64-linux"});
    window->DocumentOptions1->trigger();
    ASSERT_EQ(dialogs.texts("documentOptions"), QStringList({"APP"}));
    // A bare .dpr is a Delphi project: its platforms first, then the other compiler's targets.
    ASSERT_EQ(dialogs.configurationsOffered.size(), 1);
    EXPECT_EQ(dialogs.configurationsOffered[0].first(), "Win32");
    EXPECT_TRUE(dialogs.configurationsOffered[0].contains("x86_64-linux"));
    EXPECT_EQ(dm->tblDocsConfiguration->asString(), "x86_64-linux");
    // Read again at once: WinOnly is no longer in the code compiled.
    EXPECT_EQ(foundRoutines(), QStringList({"UnixOnly", "Always"}));
    EXPECT_TRUE(window->DBGrid3->isEnabled());
    // How much was decided, and how much could not be.
    EXPECT_EQ(dialogs.texts("information"),
              QStringList({"Configuration x86_64-linux (Free Pascal 3.2.2 x86_64-linux): 2 "
                           "conditionals, 0 undecided (0.0%), read as without defines."}));

    // The dialog opens on the configuration chosen; Cancel changes nothing.
    dialogs.documentOptionAnswers.push_back(std::nullopt);
    window->DocumentOptions1->trigger();
    EXPECT_EQ(dialogs.shown.last().initial, "x86_64-linux");
    EXPECT_EQ(dm->tblDocsConfiguration->asString(), "x86_64-linux");

    // Back to none: every branch again.
    dialogs.documentOptionAnswers.push_back(ink::Dialogs::DocumentOptions{""});
    window->DocumentOptions1->trigger();
    EXPECT_TRUE(dm->tblDocsConfiguration->isNull());
    EXPECT_EQ(foundRoutines(), QStringList({"WinOnly", "UnixOnly", "Always"}));
    EXPECT_EQ(dialogs.texts("information").size(), 1); // none without a configuration
}

TEST_F(DocumentOptionsWindow, AnUnknownConfigurationIsAnErrorAndChangesNothing) {
    dialogs.documentOptionAnswers.push_back(ink::Dialogs::DocumentOptions{"Profile"});
    window->DocumentOptions1->trigger();
    ASSERT_EQ(dialogs.texts("generalError").size(), 1);
    EXPECT_TRUE(dialogs.texts("generalError").first().contains("no configuration \"Profile\""))
        << dialogs.texts("generalError").first().toStdString();
    EXPECT_TRUE(dm->tblDocsConfiguration->isNull());
}

// "Add" on a project whose .dproj names Debug|Win64 as the configuration it
// is built with documents what that configuration compiles; the dialog shows
// it, and reading every branch is still a choice.
TEST_F(DocumentOptionsWindow, AddTakesTheConfigurationTheProjectIsBuiltWith) {
    temp.write("win/Plat.pas", "unit Plat;\ninterface\n"
                               "{$IFDEF WIN32} procedure Win32Only; {$ENDIF}\n"
                               "{$IFDEF WIN64} procedure Win64Only; {$ENDIF}\n"
                               "{$IFDEF DEBUG} procedure DebugOnly; {$ENDIF}\n"
                               "procedure Always;\nimplementation\nend.\n");
    const QString dproj = temp.write("win/App.dproj", R"X(<Project>
    <PropertyGroup>
        <MainSource>App.dpr</MainSource>
        <Config Condition="'$(Config)'==''">Debug</Config>
        <Platform Condition="'$(Platform)'==''">Win64</Platform>
    </PropertyGroup>
    <PropertyGroup Condition="'$(Config)'=='Debug' or '$(Cfg_1)'!=''"><Cfg_1>true</Cfg_1></PropertyGroup>
    <PropertyGroup Condition="'$(Cfg_1)'!=''"><DCC_Define>DEBUG;$(DCC_Define)</DCC_Define></PropertyGroup>
    <ItemGroup>
        <BuildConfiguration Include="Debug"><Key>Cfg_1</Key></BuildConfiguration>
        <BuildConfiguration Include="Release"><Key>Cfg_2</Key></BuildConfiguration>
    </ItemGroup>
    <ProjectExtensions><BorlandProject><Platforms>
        <Platform value="Win32">True</Platform><Platform value="Win64">True</Platform>
    </Platforms></BorlandProject></ProjectExtensions>
</Project>)X");
    temp.write("win/App.dpr", "program App;\nuses\n  Plat in 'Plat.pas';\nbegin\nend.\n");
    addDocument(dproj, "win");
    QApplication::processEvents();
    ASSERT_EQ(dm->tblDocsDocName->asString(), "WIN");
    EXPECT_EQ(dm->tblDocsConfiguration->asString(), "Debug|Win64");
    EXPECT_EQ(foundRoutines("WIN"), QStringList({"Win64Only", "DebugOnly", "Always"}));

    dialogs.documentOptionAnswers.push_back(ink::Dialogs::DocumentOptions{""});
    window->DocumentOptions1->trigger();
    ASSERT_EQ(dialogs.texts("documentOptions"), QStringList({"WIN"}));
    for (const auto& shown : dialogs.shown) {
        if (shown.kind == "documentOptions") {
            EXPECT_EQ(shown.initial, "Debug|Win64");
        }
    }
    ASSERT_FALSE(dialogs.configurationsOffered.isEmpty());
    EXPECT_EQ(dialogs.configurationsOffered.last().mid(0, 4),
              QStringList({"Debug|Win32", "Debug|Win64", "Release|Win32", "Release|Win64"}));
    EXPECT_TRUE(dm->tblDocsConfiguration->isNull());
    // Win32Only is new to the document: it comes last.
    EXPECT_EQ(foundRoutines("WIN"), QStringList({"Win64Only", "DebugOnly", "Always", "Win32Only"}));

    // The project without option files of the fixture reads every branch.
    ASSERT_TRUE(dm->tblDocs->locate("DocName", "APP"));
    EXPECT_TRUE(dm->tblDocsConfiguration->isNull());
}

TEST(DocumentOptionsDialog, OffersNoneFirstAndGivesWhatIsChosenOrTyped) {
    ink::DocumentOptionsDialog dialog(nullptr, "APP", {"Release", {"public"}, false},
                                      {"Debug", "Release"});
    QComboBox* box = dialog.configurationBox;
    EXPECT_EQ(box->count(), 3);
    EXPECT_EQ(box->currentText(), "Release");
    box->setCurrentIndex(0);
    EXPECT_EQ(dialog.options().configuration, "");
    box->setEditText(" Debug|Win64 ");
    EXPECT_EQ(dialog.options().configuration, "Debug|Win64");
}

TEST(DocumentOptionsDialog, TicksTheReportsChoicesAndWantsOneVisibilityAtLeast) {
    ink::DocumentOptionsDialog dialog(nullptr, "APP", {"", {"published", "private"}, true}, {});
    ASSERT_EQ(dialog.visibilityBoxes.size(), 4);
    QStringList ticked;
    for (const QCheckBox* box : dialog.visibilityBoxes)
        if (box->isChecked())
            ticked << box->objectName();
    EXPECT_EQ(ticked, QStringList({"publishedBox", "privateBox"}));
    EXPECT_TRUE(dialog.eventHandlersBox->isChecked());
    EXPECT_EQ(dialog.options().visibilities, QStringList({"published", "private"}));
    EXPECT_TRUE(dialog.options().eventHandlers);

    // With none ticked there is nothing to show of a type: OK waits.
    dialog.visibilityBoxes[1]->setChecked(false);
    dialog.visibilityBoxes[3]->setChecked(false);
    EXPECT_FALSE(dialog.okButton->isEnabled());
    dialog.visibilityBoxes[0]->setChecked(true);
    EXPECT_TRUE(dialog.okButton->isEnabled());
    dialog.eventHandlersBox->setChecked(false);
    EXPECT_EQ(dialog.options().visibilities, QStringList({"public"}));
    EXPECT_FALSE(dialog.options().eventHandlers);
    // Every box is named for a screen reader and reached by its key.
    for (const QCheckBox* box : dialog.visibilityBoxes) {
        EXPECT_FALSE(box->accessibleName().isEmpty());
        EXPECT_TRUE(box->text().contains('&'));
    }
    EXPECT_TRUE(dialog.eventHandlersBox->text().contains('&'));
}

namespace {

// A form with many designer's handlers and private members, so that what
// the report shows of it changes its page count.
class ReportOptionsWindow : public WindowTest {
protected:
    void SetUp() override {
        // The report library finds the store through the user's own alias
        // configuration; the test gives it a home of its own.
        qputenv("HOME", temp.filePath("home").toLocal8Bit());
        WindowTest::SetUp();
        QByteArray unit = "unit Main;\ninterface\nuses Forms;\ntype\n  TfrmMain = class(TForm)\n";
        for (int i = 1; i <= 60; ++i)
            unit += "    procedure Button" + QByteArray::number(i) + "Click(Sender: TObject);\n";
        unit += "  private\n";
        for (int i = 1; i <= 120; ++i)
            unit += "    procedure Helper" + QByteArray::number(i) + "(Count: Integer);\n";
        unit += "  public\n    procedure ShowAll;\n  end;\nimplementation\nend.\n";
        temp.write("work/Main.pas", unit);
        addDocument(temp.write("work/App.dpr", "program App;\nuses\n  Main in 'Main.pas' "
                                               "{frmMain};\nbegin\nend.\n"),
                    "app");
        ink::AliasRegistry libraryAliases(ink::AliasRegistry::defaultConfigPath());
        ASSERT_TRUE(libraryAliases.configPath().startsWith(temp.path()));
        ink::EnsureDatabaseAlias(libraryAliases, QString::fromLatin1(ink::TDM1::AliasName),
                                 ink::dataDirectoryFor(temp.filePath("program")), true);
        ASSERT_TRUE(QFile::copy(LEAFPRESS_LIBRARY, temp.filePath("program/Leafpress.dll")));
    }
    void TearDown() override {
        WindowTest::TearDown();
        qputenv("HOME", home);
    }

    // The pages of the preview "Preview" opens, as it says ("of 12"); 0
    // when none opened.
    int previewPages() {
        int pages = 0;
        QTimer ticks;
        const QDeadlineTimer deadline(20000);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal)
                return;
            auto* count = modal->findChild<QLabel*>("PageCount");
            if (modal->objectName() == "ReportPreview" && count)
                pages = count->text().simplified().section(' ', 1).toInt();
            if (pages > 0 || deadline.hasExpired())
                QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
        });
        ticks.start(20);
        QTest::mouseClick(window->Button29, Qt::LeftButton);
        ticks.stop();
        return pages;
    }

    const QByteArray home = qgetenv("HOME");
};

} // namespace

TEST_F(ReportOptionsWindow, TheReportsChoicesAreStoredWithTheDocumentAndThePreviewFollowsThem) {
    const int byDefault = previewPages();
    ASSERT_GT(byDefault, 0) << dialogs.messages().join('\n').toStdString();
    const QString scanned = dm->tblDocsLastScan->asString();

    dialogs.documentOptionAnswers.push_back(
        ink::Dialogs::DocumentOptions{"", {"public", "published", "protected"}, true});
    window->DocumentOptions1->trigger();
    // It opened on the defaults: public, published and protected, no handlers.
    ASSERT_EQ(dialogs.documentOptionsOffered.size(), 1);
    EXPECT_EQ(dialogs.documentOptionsOffered[0].visibilities,
              QStringList({"public", "published", "protected"}));
    EXPECT_FALSE(dialogs.documentOptionsOffered[0].eventHandlers);
    // The default visibility is kept as none, so the document follows it.
    EXPECT_TRUE(dm->tblDocsReportVisibility->isNull());
    EXPECT_TRUE(dm->tblDocsReportEventHandlers->asBoolean());
    // What reports show needs no new read of the sources.
    EXPECT_EQ(dm->tblDocsLastScan->asString(), scanned);
    EXPECT_EQ(dialogs.messages(), QStringList());
    const int withHandlers = previewPages();
    EXPECT_GT(withHandlers, byDefault);

    dialogs.documentOptionAnswers.push_back(
        ink::Dialogs::DocumentOptions{"", {"public", "private"}, true});
    window->DocumentOptions1->trigger();
    EXPECT_EQ(dialogs.documentOptionsOffered[1].visibilities,
              QStringList({"public", "published", "protected"}));
    EXPECT_TRUE(dialogs.documentOptionsOffered[1].eventHandlers);
    EXPECT_EQ(dm->tblDocsReportVisibility->asString(), "public,private");
    // The private helpers come in, twice as many as the published handlers
    // that go out again.
    const int privateOnes = previewPages();
    EXPECT_GT(privateOnes, withHandlers);

    // A new window over the same store opens the dialog on what was stored.
    stopWindow();
    startWindow();
    dialogs.documentOptionAnswers.push_back(std::nullopt);
    window->DocumentOptions1->trigger();
    ASSERT_EQ(dialogs.documentOptionsOffered.size(), 3);
    EXPECT_EQ(dialogs.documentOptionsOffered[2].visibilities, QStringList({"public", "private"}));
    EXPECT_TRUE(dialogs.documentOptionsOffered[2].eventHandlers);
    EXPECT_EQ(previewPages(), privateOnes);
}
