// The rows the scanner names "{STDCALL}" for procedural types stay in the
// store, but no report, index or search shows them as routines: the
// procedural type is shown as the type declaration it is.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "report/layout/ReportFile.h"
#include "report/layout/ReportLayout.h"
#include "report/layout/ReportSource.h"
#include "ReportStore.h"
#include "store/Coverage.h"
#include "store/Database.h"
#include "store/Statement.h"
#include "store/StoreAddress.h"
#include "store/testing/SqlFile.h"
#include "tests/support/ReadBack.h"
#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

using namespace ink;

namespace {

const char* const Events = R"(unit Events;

interface

type
  TNotify = procedure(Sender: TObject) of object;
  TCompare = function(A, B: Integer): Integer;

  TWatch = class
  public
    OnIdle: procedure;
    procedure Start(Handler: TNotify);
  end;

procedure Run(Proc: TNotify);

implementation

end.
)";

// A unit whose only routine row is a procedural type's.
const char* const Hooks = R"(unit Hooks;

interface

type
  THook = procedure(Code: Integer);

implementation

end.
)";

QString outlineOf(const QString& pdf) {
    const char* const Script = R"(
import sys
from pypdf import PdfReader
def walk(items, depth):
    for item in items:
        if isinstance(item, list):
            walk(item, depth + 1)
        else:
            print("  " * depth + item.title)
walk(PdfReader(sys.argv[1]).outline, 0)
)";
    return output(QStringLiteral("/usr/bin/python3"), {"-c", QString::fromLatin1(Script), pdf});
}

QStringList routineNames(const ReportUnit& unit) {
    QStringList names;
    for (const ReportRoutine& routine : unit.routines)
        names << routine.name;
    return names;
}

class ReportProcedureTypesTest : public ::testing::Test {
protected:
    void SetUp() override {
        temp.write("app/Events.pas", Events);
        temp.write("app/Hooks.pas", Hooks);
        const QString project = temp.write("app/P.dpr", "program P;\nuses\n  Events in "
                                                        "'Events.pas',\n  Hooks in "
                                                        "'Hooks.pas';\nbegin\nend.\n");
        const ToolRun built = runTool({"build", project, "--data", temp.filePath("data")});
        ASSERT_EQ(built.status, 0) << built.err.toStdString();
        // What the user typed on the rows on the Procedures page.
        runSql(database, "UPDATE ProcsLib SET Description = 'Typed on the marker row.' "
                         "WHERE ProcName = '{STDCALL}';"
                         "UPDATE ProcsLib SET Description = 'Runs the handler.' "
                         "WHERE ProcName = 'Run';");
    }

    TempDir temp;
    QString database = QDir(temp.filePath("data")).filePath("Inkwright.sqlite");
    StoreAddress store = StoreAddress::local(temp.filePath("data"));
};

TEST_F(ReportProcedureTypesTest, TheRowsStayInTheStoreButNoOutputShowsThemAsRoutines) {
    {
        Database db(store, {}, Database::Access::ReadOnly);
        Statement markers(db, "SELECT COUNT(*) FROM ProcsLib WHERE ProcName = '{STDCALL}'");
        ASSERT_TRUE(markers.step());
        ASSERT_EQ(markers.integerAt(0), 2); // one a unit: a row per name
        // The figures count the routines the outputs show: Start and Run.
        EXPECT_EQ(ReadCoverage(db, 1).routines.count, 2);
        EXPECT_EQ(ReadRoutineCoverage(db, 1).routines.count, 2);
    }

    // The content model every output reads.
    ReportSource source(store);
    ASSERT_TRUE(source.open(1));
    QList<ReportUnit> units;
    source.readUnits(0, [&units](int, const ReportUnit& unit) {
        units.append(unit);
        return true;
    });
    ASSERT_EQ(units.size(), 2);
    EXPECT_EQ(routineNames(units[0]), QStringList({"Start", "Run"}));
    EXPECT_TRUE(units[0].otherRoutines.isEmpty());
    EXPECT_TRUE(routineNames(units[1]).isEmpty());
    EXPECT_EQ(units[1].closingNote(), "This unit declares no procedures or functions.");
    QStringList types;
    for (const ReportDeclaration& d : units[0].declarations + units[1].declarations)
        if (d.kind == QLatin1String("type"))
            types << d.name;
    EXPECT_EQ(types, QStringList({"TNotify", "TCompare", "THook"}));

    // The PDF: pages, bookmarks, identifier index.
    const QString pdf = temp.filePath("r.pdf");
    exportReport(store, 1, pdf);
    const QString outline = outlineOf(pdf);
    EXPECT_EQ(outline, "Events.pas\n"
                       "  TNotify\n"
                       "  TCompare\n"
                       "  TWatch\n"
                       "    Start\n"
                       "    OnIdle\n"
                       "  Run\n"
                       "Hooks.pas\n"
                       "  THook\n"
                       "Class hierarchy\n"
                       "Identifier index\n");
    if (!QStandardPaths::findExecutable("pdftotext").isEmpty()) {
        const QString text = output(QStringLiteral("pdftotext"), {pdf, "-"});
        EXPECT_FALSE(text.contains("STDCALL")) << text.toStdString();
        EXPECT_FALSE(text.contains("Other routines"));
        EXPECT_TRUE(text.contains("This unit declares no procedures or functions."));
        EXPECT_TRUE(text.contains("TNotify = procedure(Sender: TObject) of object;"));
    }

    // The single page and the site: pages, sidebar, identifiers, search.
    exportReport(store, 1, temp.filePath("one.html"));
    const QString one = fileText(temp.filePath("one.html"));
    EXPECT_FALSE(one.contains("STDCALL"));
    EXPECT_FALSE(one.contains("Other routines"));
    const QString site = temp.filePath("site");
    exportReport(store, 1, site);
    for (const QString& name : QDir(site).entryList(QDir::Files))
        EXPECT_FALSE(fileText(QDir(site).filePath(name)).contains("STDCALL")) << name.toStdString();
    const QString events = fileText(site + "/Events.html");
    EXPECT_TRUE(events.contains("<a href=\"#TNotify\">TNotify</a>"));
    EXPECT_TRUE(events.contains("<a href=\"#Run\">Run</a>"));
    EXPECT_TRUE(fileText(site + "/search-index.js").contains("\"Runs the handler.\""));

    // The store's own search, as the tool (and the window) search.
    const ToolRun marker = runTool({"search", "typed marker", "--data", temp.filePath("data")});
    EXPECT_EQ(marker.status, 1) << marker.out.toStdString(); // nothing found
    EXPECT_TRUE(marker.out.isEmpty());
    const ToolRun run = runTool({"search", "runs handler", "--data", temp.filePath("data")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith("\tEvents.pas\tRun\tRuns the handler.\n"))
        << run.out.toStdString();
    EXPECT_EQ(run.out.count('\n'), 1);
}

// A store that keeps no declarations shows the routine rows themselves:
// there too, a procedural type's row is none of them.
TEST(ReportProcedureTypes, AStoreWithoutDeclarationsShowsNoMarkerRowAsARoutine) {
    TempDir temp;
    ReportStore store(temp.path());
    const qint32 docNo = store.addDocument("OLD");
    const qint64 unit = store.addUnit(docNo, "Events.pas", "N/A");
    store.addRoutine(docNo, unit, "PROCEDURE", "{STDCALL}", "Sender: TObject ", "<None>",
                     "Typed on the marker row.");
    store.addRoutine(docNo, unit, "PROCEDURE", "Run", "Proc: TNotify ", "<None>");
    const qint64 hooks = store.addUnit(docNo, "Hooks.pas", "N/A");
    store.addRoutine(docNo, hooks, "FUNCTION", "{STDCALL}", "<None>", "Integer ");

    const QString pdf = temp.filePath("old.pdf");
    exportReport(store.address(), docNo, pdf);
    EXPECT_EQ(outlineOf(pdf), "Events.pas\n"
                              "  Run\n"
                              "Hooks.pas\n"
                              "Identifier index\n");
    exportReport(store.address(), docNo, temp.filePath("old.html"));
    const QString html = fileText(temp.filePath("old.html"));
    EXPECT_FALSE(html.contains("STDCALL"));
    EXPECT_TRUE(html.contains("procedure Run(Proc: TNotify);"));
    EXPECT_TRUE(html.contains("This unit declares no procedures or functions."));
}

} // namespace
