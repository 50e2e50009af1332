// One set of figures: the window's status bar and "Coverage" page,
// `inkwright-tool coverage`, `build` and `refresh`, the site's index and the
// PDF's title all read one store and must say the same, each figure named
// by what it counts. On the local store and on a server's.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTreeWidget>

#include "app/CoveragePage.h"
#include "PgCluster.h"
#include "tests/support/ReadBack.h"
#include "ToolRun.h"
#include "WindowFixture.h"

namespace {

// A document's figures as one place shows them.
struct Figures {
    QString routines;
    QString declarations;
    QString described; // "2 of 6 declarations (33.3%)"
};

// A unit's row: its routines (where shown), declarations and described ones.
using UnitRows = QMap<QString, QString>;

QString captured(const QString& text, const QString& pattern) {
    const QRegularExpressionMatch match = QRegularExpression(pattern).match(text);
    return match.hasMatch() ? match.captured(1) : QStringLiteral("<not found: %1>").arg(pattern);
}

enum class Store { Local, Server };

class FiguresTest : public WindowTest, public ::testing::WithParamInterface<Store> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        project = std::make_unique<SampleProject>(temp);
        if (GetParam() == Store::Server) {
            server = PgCluster::shared().createDatabase("figures");
            storeArguments = {"--db", server.url()};
        } else {
            storeArguments = {"--data", temp.filePath("program/Data")};
        }
    }
    void sql(const QString& statements) {
        if (GetParam() == Store::Server) {
            QString error;
            ASSERT_TRUE(PgCluster::shared().execute(server.database, statements, &error))
                << error.toStdString();
        } else {
            runSql(temp.filePath("program/Data/Inkwright.sqlite"), statements);
        }
    }
    // The window on the store as it is now.
    void openWindow() {
        stopWindow();
        startWindow();
        if (GetParam() == Store::Server) {
            dialogs.logins.push_back({ink::Dialogs::ServerLogin{server.server, server.port,
                                                                server.database, server.user}});
            window->ConnecttoSharedDatabase1->trigger();
        }
        QApplication::processEvents();
        ASSERT_EQ(dm->tblDocs->recordCount(), 1);
    }
    ToolRun tool(const QStringList& arguments) { return runTool(arguments + storeArguments); }

    std::unique_ptr<SampleProject> project;
    ink::StoreAddress server;
    QStringList storeArguments;
};

} // namespace

TEST_P(FiguresTest, EveryPlaceShowsTheCoveragesFiguresNamedByWhatTheyCount) {
    // Forms (no source), Main (a class, its two methods and a routine),
    // Helpers (one function), Data (one procedure).
    const ToolRun built = tool({"build", project->projectPath});
    ASSERT_EQ(built.status, 0) << built.err.toStdString();
    EXPECT_TRUE(built.out.contains("\troutines\t5\t")) << built.out.toStdString();
    // Described: Init on its routine row (its declaration shares the words)
    // and the class on its own declaration; a separator line is no
    // description. Data's Connect, described, then leaves the source.
    sql("UPDATE ProcsLib SET Description = 'Sets up.' WHERE ProcName = 'Init';"
        "UPDATE ProcsLib SET Description = '  ****  ' WHERE ProcName = 'Twice';"
        "UPDATE ProcsLib SET Description = 'Opens it.' WHERE ProcName = 'Connect';"
        "UPDATE DeclsLib SET Description = 'The main form.' WHERE DeclName = 'TFormMain'");
    temp.write("work/lib/sub/data.pas", "unit Data;\ninterface\nprocedure Open;\n"
                                        "implementation\nprocedure Open; begin end;\nend.\n");
    const ToolRun refreshed = tool({"refresh", "1"});
    ASSERT_EQ(refreshed.status, 0) << refreshed.err.toStdString();
    EXPECT_TRUE(refreshed.out.contains("\troutines\t5\t")) << refreshed.out.toStdString();
    EXPECT_TRUE(refreshed.out.endsWith("\tmissing_units\t0\tmissing_routines\t1\n"));

    const Figures truth{"5", "6", "2 of 6 declarations (33.3%)"};
    const UnitRows unitTruth{
        {"Forms", "0 0 0"}, {"Main.pas", "3 4 2"}, {"Helpers.pas", "1 1 0"}, {"DATA.PAS", "1 1 0"}};
    auto withoutRoutines = [](const UnitRows& rows) {
        UnitRows counted;
        for (auto it = rows.cbegin(); it != rows.cend(); ++it)
            counted.insert(it.key(), it.value().section(' ', 1));
        return counted;
    };

    // The window: the status bar, and the page's total and rows.
    openWindow();
    window->PageControl1->setCurrentWidget(window->coveragePage);
    window->ShowCoverage();
    EXPECT_EQ(window->coverageStatus->text(), "Described: " + truth.described);
    EXPECT_EQ(window->coveragePage->total()->text(),
              "Total: Described: " + truth.described +
                  "; left the source: 0 units, 1 declarations");
    QTreeWidget* list = window->coveragePage->list();
    EXPECT_EQ(list->headerItem()->text(ink::CoveragePage::CountColumn), "Declarations");
    UnitRows pageRows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        const QStringList count = item->text(ink::CoveragePage::CountColumn).split(" of ");
        pageRows.insert(item->text(ink::CoveragePage::UnitColumn),
                        count.value(1) + ' ' + count.value(0));
    }
    EXPECT_EQ(pageRows, withoutRoutines(unitTruth));

    // The tool: a heading that names what is counted, the units, the total.
    const ToolRun coverage = tool({"coverage", "1"});
    ASSERT_EQ(coverage.status, 0) << coverage.err.toStdString();
    QStringList lines = coverage.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.takeFirst(), "unit\tdeclarations\tdescribed\tpercent");
    EXPECT_EQ(lines.takeLast(), "total\t6\t2\t33.3");
    UnitRows toolRows;
    for (const QString& line : lines)
        toolRows.insert(line.section('\t', 0, 0),
                        line.section('\t', 1, 1) + ' ' + line.section('\t', 2, 2));
    EXPECT_EQ(toolRows, withoutRoutines(unitTruth));

    // The site: its title's facts and its unit list.
    const QString site = temp.filePath("site");
    ASSERT_EQ(tool({"export", "1", "--out", site}).status, 0);
    const QString index = fileText(site + "/index.html");
    const Figures siteFigures{captured(index, "<dt>Routines</dt><dd>([^<]*)</dd>"),
                              captured(index, "<dt>Declarations</dt><dd>([^<]*)</dd>"),
                              captured(index, "<dt>Described</dt><dd>([^<]*)</dd>")};
    EXPECT_EQ(siteFigures.routines, truth.routines);
    EXPECT_EQ(siteFigures.declarations, truth.declarations);
    EXPECT_EQ(siteFigures.described, truth.described);
    EXPECT_TRUE(index.contains("<th scope=\"col\">Routines</th><th scope=\"col\">Declarations"
                               "</th><th scope=\"col\">Described declarations</th>"))
        << index.toStdString();
    UnitRows siteRows;
    static const QRegularExpression row(
        QStringLiteral("<tr><td><a href=\"[^\"]*\">([^<]*)</a></td><td class=\"form\">[^<]*</td>"
                       "<td class=\"number\">(\\d+)</td><td class=\"number\">(\\d+)</td>"
                       "<td class=\"number\">(\\d+)</td></tr>"));
    for (auto match = row.globalMatch(index); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        siteRows.insert(m.captured(1), m.captured(2) + ' ' + m.captured(3) + ' ' + m.captured(4));
    }
    EXPECT_EQ(siteRows, unitTruth);

    // The PDF's title page says the same.
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    const QString pdf = temp.filePath("report.pdf");
    ASSERT_EQ(tool({"export", "1", "--out", pdf}).status, 0);
    QProcess text;
    text.start("pdftotext", {"-layout", "-l", "1", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(20000));
    const QString cover = QString::fromUtf8(text.readAllStandardOutput());
    const Figures pdfFigures{captured(cover, "Routines\\s+(\\S+)\\n"),
                             captured(cover, "Declarations\\s+(\\S+)\\n"),
                             captured(cover, "Described\\s+([^\\n]*\\S)\\s*\\n")};
    EXPECT_EQ(pdfFigures.routines, truth.routines) << cover.toStdString();
    EXPECT_EQ(pdfFigures.declarations, truth.declarations);
    EXPECT_EQ(pdfFigures.described, truth.described);
}

INSTANTIATE_TEST_SUITE_P(BothStores, FiguresTest, ::testing::Values(Store::Local, Store::Server),
                         [](const ::testing::TestParamInfo<Store>& info) {
                             return info.param == Store::Local ? "Local" : "Server";
                         });
