// What a document's reports show by its own options (the members' visibility,
// form classes' event handlers), what an export overrides, and the mark on
// declarations that left the source, in the PDF, the site and the single page.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "report/layout/FormEventHandlers.h"
#include "report/layout/ReportDocument.h"
#include "report/layout/ReportFile.h"
#include "report/layout/ReportSource.h"
#include "store/StoreAddress.h"
#include "store/testing/SqlFile.h"
#include "tests/support/ReadBack.h"
#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

using namespace ink;

namespace {

const char* const MainForm = R"(unit MainForm;

interface

uses Forms, Classes, StdCtrls;

type
  TfrmMain = class(TForm)
    Button1: TButton;
    procedure Button1Click(Sender: TObject);
    procedure FormDragDrop(Sender, Source: TObject; X, Y: Integer);
  private
    procedure Recount(Sender: TObject);
  public
    procedure ShowTotals(Sender: TObject);
    procedure Print;
  end;

  TfrmChild = class(TfrmMain)
    procedure SaveClick(Sender: TObject);
  end;

  TRelay = class(TComponent)
  published
    procedure Pass(Sender: TObject);
  end;

var
  frmMain: TfrmMain;

implementation

end.
)";

QString pdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

class ReportChoicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        temp.write("app/MainForm.pas", MainForm);
        const QString project =
            temp.write("app/P.dpr",
                       "program P;\nuses\n  MainForm in 'MainForm.pas' {frmMain};\nbegin\nend.\n");
        const ToolRun built = runTool({"build", project, "--data", data()});
        ASSERT_EQ(built.status, 0) << built.err.toStdString();
    }
    QString data() const { return temp.filePath("data"); }
    // The declarations the single page shows, by their code.
    QString singlePage(const QStringList& extra = {}) {
        const QString out = temp.filePath("one.html");
        const ToolRun run =
            runTool(QStringList{"export", "1", "--data", data(), "--out", out} + extra);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        return fileText(out);
    }

    TempDir temp;
    QString database = QDir(temp.filePath("data")).filePath("Inkwright.sqlite");
    StoreAddress store = StoreAddress::local(temp.filePath("data"));
};

} // namespace

TEST_F(ReportChoicesTest, FormEventHandlersAreLeftOutUnlessTheDocumentOrTheExportAsks) {
    const QString byDefault = singlePage();
    // The designer's handlers of the form and of a form derived from it go.
    EXPECT_FALSE(byDefault.contains("Button1Click"));
    EXPECT_FALSE(byDefault.contains("FormDragDrop"));
    EXPECT_FALSE(byDefault.contains("SaveClick"));
    // A public method of a form is its API, Sender or not; so is any method
    // of a class that is no form.
    EXPECT_TRUE(byDefault.contains("procedure ShowTotals(Sender: TObject);"));
    EXPECT_TRUE(byDefault.contains("procedure Print;"));
    EXPECT_TRUE(byDefault.contains("procedure Pass(Sender: TObject);"));
    EXPECT_TRUE(byDefault.contains("Button1: TButton;")); // fields stay

    // The document's own option lists them in every output.
    runSql(database, "UPDATE DocsLib SET ReportEventHandlers = 1");
    EXPECT_TRUE(singlePage().contains("procedure Button1Click(Sender: TObject);"));
    const QString site = temp.filePath("site");
    exportReport(store, 1, site);
    EXPECT_TRUE(fileText(site + "/MainForm.html").contains("id=\"TfrmMain.FormDragDrop\""));
    EXPECT_TRUE(fileText(site + "/identifiers.html").contains("SaveClick"));
    if (!QStandardPaths::findExecutable("pdftotext").isEmpty()) {
        exportReport(store, 1, temp.filePath("r.pdf"));
        EXPECT_TRUE(
            pdfText(temp.filePath("r.pdf")).contains("procedure SaveClick(Sender: TObject);"));
    }

    // An export overrides the document either way; a wrong word is a usage error.
    EXPECT_FALSE(singlePage({"--event-handlers", "no"}).contains("Button1Click"));
    runSql(database, "UPDATE DocsLib SET ReportEventHandlers = 0");
    EXPECT_TRUE(singlePage({"--event-handlers", "YES"}).contains("Button1Click"));
    const ToolRun wrong = runTool({"export", "1", "--data", data(), "--out",
                                   temp.filePath("x.html"), "--event-handlers", "some"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(wrong.err.contains("--event-handlers takes yes or no")) << wrong.err.toStdString();
}

TEST_F(ReportChoicesTest, TheDocumentsVisibilityIsTheDefaultThatAnExportOverrides) {
    EXPECT_FALSE(singlePage().contains("procedure Recount"));
    runSql(database, "UPDATE DocsLib SET ReportVisibility = 'private,published'");
    const QString chosen = singlePage();
    EXPECT_TRUE(chosen.contains("procedure Recount(Sender: TObject);"));
    EXPECT_FALSE(chosen.contains("procedure Print;")); // public, not chosen
    {
        ReportSource source(store);
        ASSERT_TRUE(source.open(1));
        EXPECT_EQ(source.visibilities(), QStringList({"published", "private"}));
        EXPECT_FALSE(source.eventHandlers());
    }
    // The tool's --visibility stands over the document's.
    const QString asked = singlePage({"--visibility", "public"});
    EXPECT_TRUE(asked.contains("procedure Print;"));
    EXPECT_FALSE(asked.contains("procedure Recount"));

    // A stored word that names nothing is passed over; nothing left is the default.
    runSql(database, "UPDATE DocsLib SET ReportVisibility = 'secret, Private'");
    EXPECT_TRUE(singlePage().contains("procedure Recount"));
    runSql(database, "UPDATE DocsLib SET ReportVisibility = 'secret'");
    const QString fallback = singlePage();
    EXPECT_FALSE(fallback.contains("procedure Recount"));
    EXPECT_TRUE(fallback.contains("procedure Print;"));
}

TEST_F(ReportChoicesTest, DeclarationsThatLeftTheSourceAreMarkedInEveryOutput) {
    QString source = QString::fromLatin1(MainForm);
    source.replace("    procedure Print;\n", "");
    temp.write("app/MainForm.pas", source.toUtf8());
    const ToolRun refreshed = runTool({"refresh", "1", "--data", data(), "--full"});
    ASSERT_EQ(refreshed.status, 0) << refreshed.err.toStdString();

    const QString note = QString::fromLatin1(LeftTheSourceNote);
    const QString one = singlePage();
    const qsizetype print = one.indexOf("procedure Print;");
    ASSERT_GE(print, 0) << "a declaration that left the source is still shown";
    EXPECT_EQ(one.count(note), 1);
    EXPECT_GT(one.indexOf(note), print);
    EXPECT_TRUE(one.contains("left-source\" id=\"u1-TfrmMain.Print\""));

    const QString site = temp.filePath("site");
    exportReport(store, 1, site);
    const QString page = fileText(site + "/MainForm.html");
    EXPECT_EQ(page.count(note), 1);
    EXPECT_TRUE(page.contains("left-source\" id=\"TfrmMain.Print\""));

    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    exportReport(store, 1, temp.filePath("r.pdf"));
    const QString text = pdfText(temp.filePath("r.pdf"));
    EXPECT_EQ(text.count(note), 1) << text.toStdString();
    EXPECT_GT(text.indexOf(note), text.indexOf("procedure Print;"));
}

TEST(FormEventHandlers, TheRuleOfFormClassesAndTheirHandlers) {
    const auto type = [](const char* name, const char* ancestor) {
        ReportDeclaration d;
        d.kind = QStringLiteral("class");
        d.name = QString::fromLatin1(name);
        d.ancestor = QString::fromLatin1(ancestor);
        return d;
    };
    const QSet<QString> none;
    EXPECT_TRUE(IsFormClass(type("TMain", "Vcl.Forms.TForm"), {}, none));
    EXPECT_TRUE(IsFormClass(type("TData", "TDataModule, IUnknown"), {}, none));
    EXPECT_TRUE(IsFormClass(type("TPanel", "tframe"), {}, none));
    EXPECT_FALSE(IsFormClass(type("TRelay", "TComponent"), {}, none));
    // The form the project names for the unit, whatever its ancestor.
    EXPECT_TRUE(IsFormClass(type("TfrmEdit", "TBaseEditor"), "frmEdit", none));
    EXPECT_FALSE(IsFormClass(type("TfrmEdit", "TBaseEditor"), "frmOther", none));
    EXPECT_TRUE(IsFormClass(type("TChild", "TBaseEditor"), {}, {"tbaseeditor"}));
    ReportDeclaration record = type("TfrmEdit", "");
    record.kind = QStringLiteral("record");
    EXPECT_FALSE(IsFormClass(record, "frmEdit", none));

    const ReportDeclaration form = type("TMain", "TForm");
    const ReportDeclaration derived = type("TChild", "TMain");
    const auto method = [](const char* declaration, const char* visibility) {
        ReportDeclaration d;
        d.kind = QString::fromLatin1(declaration).section(' ', 0, 0);
        d.declaration = QString::fromLatin1(declaration);
        d.visibility = QString::fromLatin1(visibility);
        return d;
    };
    EXPECT_TRUE(IsEventHandler(method("procedure OkClick(Sender: TObject);", "published"), form));
    EXPECT_TRUE(IsEventHandler(
        method("procedure FormCloseQuery(sender : System.TObject; var CanClose: Boolean);",
               "published"),
        form));
    EXPECT_TRUE(IsEventHandler(
        method("procedure DragDrop(Sender, Source: TObject; X: Integer);", "published"), form));
    EXPECT_TRUE(IsEventHandler(
        method("function FormHelp(Sender: TObject; Cmd: Word): Boolean;", "published"), form));
    // Not the designer's: another first parameter, another type, no
    // parameters, or a visibility the designer never writes.
    EXPECT_FALSE(
        IsEventHandler(method("procedure Go(Source, Sender: TObject);", "published"), form));
    EXPECT_FALSE(IsEventHandler(method("procedure Go(ASender: TObject);", "published"), form));
    EXPECT_FALSE(IsEventHandler(method("procedure Go(Sender: TComponent);", "published"), form));
    EXPECT_FALSE(IsEventHandler(method("procedure Go;", "published"), form));
    EXPECT_FALSE(IsEventHandler(method("procedure Go(Sender: TObject);", "private"), form));
    EXPECT_FALSE(IsEventHandler(method("property OnGo: TNotifyEvent read F;", "published"), form));
    // Public counts only where the reader could not tell a published first section.
    EXPECT_FALSE(IsEventHandler(method("procedure Go(Sender: TObject);", "public"), form));
    EXPECT_TRUE(IsEventHandler(method("procedure Go(Sender: TObject);", "public"), derived));
}
