// "Document Options..." on the real window: the configuration a document's
// conditional code is read with, and the document read again when it changes.
#include <QComboBox>
#include <QMenu>

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
    // The routines of Plat that the last read found, in row order.
    QStringList foundRoutines() {
        return sqlText(dm->database().name(),
                       "SELECT group_concat(ProcName, ',') FROM (SELECT ProcName FROM ProcsLib "
                       "JOIN DocsLib USING (DocNo) WHERE ProcsLib.LastSeen = DocsLib.LastScan "
                       "AND ProcName <> 'N/A' ORDER BY ProcNo)")
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

TEST(DocumentOptionsDialog, OffersNoneFirstAndGivesWhatIsChosenOrTyped) {
    ink::DocumentOptionsDialog dialog(nullptr, "APP", {"Release"}, {"Debug", "Release"});
    QComboBox* box = dialog.configurationBox;
    EXPECT_EQ(box->count(), 3);
    EXPECT_EQ(box->currentText(), "Release");
    box->setCurrentIndex(0);
    EXPECT_EQ(dialog.options().configuration, "");
    box->setEditText(" Debug|Win64 ");
    EXPECT_EQ(dialog.options().configuration, "Debug|Win64");
}
