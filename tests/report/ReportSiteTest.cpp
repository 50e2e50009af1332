// The browsable site: its pages, its index and its search, read in a real
// (headless) browser.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "BuiltDocument.h"
#include "report/layout/ReportFile.h"
#include "ReportStore.h"
#include "store/UserError.h"
#include "tests/support/PrintQt.h"
#include "tests/support/ReadBack.h"
#include "tests/support/ToolRun.h"

using namespace ink;

namespace {

class ReportSiteTest : public ::testing::Test {
protected:
    BuiltDocument built{30};
    QString site = built.temp().filePath("site");
};

TEST_F(ReportSiteTest, IndexListsUnitsWithCountsAndEachUnitHasItsPage) {
    const ToolRun run = runTool(
        {"export", QString::number(built.docNo()), "--data", built.dataDir(), "--out", site});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed(), "wrote " + QDir(site).filePath("index.html"));

    const QString index = fileText(site + "/index.html");
    EXPECT_TRUE(index.startsWith("<!DOCTYPE html>\n<html lang=\"en\">"));
    EXPECT_TRUE(index.contains("name=\"viewport\""));
    EXPECT_TRUE(index.contains("<h1>BOOKS</h1>"));
    EXPECT_TRUE(index.contains("Quill &amp; Co"));
    // Unit, form, routines, declarations, described declarations; each
    // unit's page is named after it.
    EXPECT_TRUE(index.contains("<a href=\"Ledger.html\">Ledger.pas</a></td><td "
                               "class=\"form\">frmLedger</td><td class=\"number\">3</td><td "
                               "class=\"number\">3</td><td class=\"number\">2</td>"))
        << index.toStdString();
    EXPECT_TRUE(index.contains("<a href=\"Empty.html\">Empty.pas</a></td><td "
                               "class=\"form\"></td><td class=\"number\">0</td>"));
    EXPECT_TRUE(index.contains("<a href=\"Many.html\">Many.pas</a>"));
    EXPECT_FALSE(index.contains("N/A"));

    const QString ledger = fileText(site + "/Ledger.html");
    EXPECT_TRUE(ledger.contains("<section class=\"declaration depth-0\" id=\"PostEntry\">"));
    EXPECT_TRUE(ledger.contains("<code>procedure OpenLedger(const Path: string);</code>"));
    EXPECT_TRUE(ledger.contains("Posts one entry; the memo is kept verbatim."));
    EXPECT_TRUE(ledger.contains("<code>" + BuiltDocument::longDeclaration() + "</code>"));
    EXPECT_TRUE(ledger.contains("No description."));
    EXPECT_FALSE(ledger.contains("&lt;None&gt;"));
    EXPECT_TRUE(
        fileText(site + "/Empty.html").contains("This unit declares no procedures or functions."));
    // The sidebar: the way back to the index, then the unit's routines in
    // source order.
    EXPECT_TRUE(
        ledger.contains("<nav class=\"sidebar\" aria-label=\"Contents\">\n"
                        "<ul class=\"site-links\"><li><a href=\"index.html\">All units</a>"
                        "</li><li><a href=\"identifiers.html\">Identifier index</a></li>"
                        "<li><a href=\"hierarchy.html\">Class hierarchy</a></li></ul>\n"
                        "<p class=\"sidebar-heading\">Routines</p>\n"
                        "<ol class=\"toc\">\n<li><a href=\"#OpenLedger\">OpenLedger</a></li>\n"
                        "<li><a href=\"#Balance\">Balance</a></li>\n"
                        "<li><a href=\"#PostEntry\">PostEntry</a></li>\n</ol>\n</nav>"))
        << ledger.toStdString();
    // No page loads the search index: it is loaded when a search begins.
    for (const char* page : {"index.html", "Ledger.html", "Empty.html", "Many.html"})
        EXPECT_FALSE(fileText(site + '/' + page).contains("search-index.js")) << page;
    for (const char* shared : {"style.css", "search.js", "search-index.js"})
        EXPECT_TRUE(QFile::exists(site + '/' + shared)) << shared;
    EXPECT_TRUE(fileText(site + "/search-index.js").contains("\"Posts one entry;"));

    // A name without an extension is a site too; a file in the way is a failure.
    const QString blocked = built.temp().write("taken", "a file") + "/site";
    const ToolRun failed = runTool(
        {"export", QString::number(built.docNo()), "--data", built.dataDir(), "--out", blocked});
    EXPECT_EQ(failed.status, 1);
    EXPECT_FALSE(failed.out.contains("wrote"));
}

// Percent signs followed by digits are ordinary text in a name: the
// index's cells are filled in one pass, so a form name cannot take the place
// of the counts after it.
TEST(ReportSiteExport, PercentSignsInNamesStayAsTyped) {
    TempDir temp;
    ReportStore store{temp.path()};
    const qint32 docNo = store.addDocument("PCT%1");
    const qint64 unit = store.addUnit(docNo, "U%2.pas", "{%1%2%3}", "Fifty %1 percent.");
    store.addRoutine(docNo, unit, "PROCEDURE", "Go", "<None>", "<None>", "Runs %3.");
    store.addRoutine(docNo, unit, "PROCEDURE", "Stop", "<None>", "<None>");
    const QString site = temp.filePath("site");
    exportReport(store.address(), docNo, site);
    const QString index = fileText(site + "/index.html");
    EXPECT_TRUE(index.contains("<a href=\"U_2.html\">U%2.pas</a></td><td "
                               "class=\"form\">{%1%2%3}</td><td class=\"number\">2</td><td "
                               "class=\"number\">1</td>"))
        << index.toStdString();
    EXPECT_TRUE(index.contains("<h1>PCT%1</h1>"));
    const QString page = fileText(site + "/U_2.html");
    EXPECT_TRUE(page.contains("Form: {%1%2%3}"));
    EXPECT_TRUE(page.contains("Fifty %1 percent."));
    EXPECT_TRUE(page.contains("Runs %3."));
}

// The files of a folder, hidden ones included, each with its bytes.
QMap<QString, QByteArray> folderFiles(const QString& path) {
    QMap<QString, QByteArray> files;
    const QDir folder(path);
    for (const QString& name :
         folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        QFile file(folder.filePath(name));
        files.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(dir)"));
    }
    return files;
}

// A document of `units` units with a routine each; returns its DocNo.
qint32 addDocumentOfUnits(ReportStore& store, const QString& name, int units) {
    const qint32 docNo = store.addDocument(name);
    for (int i = 0; i < units; ++i)
        store.addRoutine(docNo, store.addUnit(docNo, QStringLiteral("U%1.pas").arg(i), "N/A"),
                         "PROCEDURE", QStringLiteral("Step%1").arg(i), "<None>", "<None>",
                         QString("Does step %1 of many. ").arg(i).repeated(40));
    return docNo;
}

// A site written over another replaces its files only when whole, and takes
// away the pages of units that are gone; what else the folder holds stays,
// and nothing of the work is left behind.
TEST(ReportSiteExport, ANewSiteReplacesTheOldOneWhole) {
    TempDir temp;
    ReportStore store{temp.path()};
    const qint32 first = addDocumentOfUnits(store, "FIRST", 3);
    const qint32 second = addDocumentOfUnits(store, "SECOND", 2);
    const QString site = temp.filePath("site");
    exportReport(store.address(), first, site);
    temp.write("site/notes.txt", "the user's own");
    temp.write("site/mine.html", "the user's own page");
    temp.write("outside.html", "beside the site");
    // A list of the site's files edited by hand reaches nothing else.
    QFile list(site + "/.inkwright-files");
    ASSERT_TRUE(list.open(QIODevice::Append));
    list.write("../outside.html\n" + temp.filePath("outside.html").toUtf8() + "\nnotes.txt\n");
    list.close();

    exportReport(store.address(), second, site);
    const QMap<QString, QByteArray> files = folderFiles(site);
    EXPECT_EQ(files.keys(), (QStringList{".inkwright-files", "U0.html", "U1.html", "hierarchy.html",
                                         "identifiers.html", "index.html", "mine.html", "notes.txt",
                                         "search-index.js", "search.js", "style.css"}));
    EXPECT_TRUE(files["index.html"].contains("<h1>SECOND</h1>"));
    EXPECT_TRUE(files["U0.html"].contains("SECOND"));
    EXPECT_EQ(files["notes.txt"], "the user's own");
    EXPECT_EQ(files["mine.html"], "the user's own page");
    EXPECT_TRUE(QFile::exists(temp.filePath("outside.html")));
}

// A unit renamed only in case: where the file system ignores case the old
// page is the new one, so it must not be taken away as gone.
TEST(ReportSiteExport, APageRenamedOnlyInCaseIsNotTakenAway) {
    TempDir temp;
    ReportStore store{temp.path()};
    const qint32 before = store.addDocument("BEFORE");
    store.addUnit(before, "ledger.pas", "N/A");
    const qint32 after = store.addDocument("AFTER");
    store.addUnit(after, "Ledger.pas", "N/A");
    const QString site = temp.filePath("site");
    exportReport(store.address(), before, site);
    exportReport(store.address(), after, site);
    EXPECT_TRUE(QFile::exists(site + "/Ledger.html"));
    EXPECT_TRUE(QFile::exists(site + "/ledger.html"));
}

// On a disk that fills while the new site is written, the old site stays as
// it was, whole: never an old index beside new pages.
TEST(ReportSiteExport, ADiskFullDuringAReExportKeepsTheOldSite) {
    TempDir temp;
    ReportStore store{temp.path()};
    const qint32 small = addDocumentOfUnits(store, "SMALL", 2);
    const qint32 large = addDocumentOfUnits(store, "LARGE", 60);
    const QString mountPoint = temp.filePath("disk");
    QDir().mkpath(mountPoint);
    const QString before = temp.filePath("before");
    const QString after = temp.filePath("after");
    QProcess shell;
    shell.start("unshare",
                {"-rm", "sh", "-c",
                 "mount -t tmpfs -o size=96k tmpfs \"$1\" || exit 77\n"
                 "\"$2\" export \"$3\" --data \"$5\" --out \"$1/site\" >/dev/null || exit 78\n"
                 "cp -a \"$1/site\" \"$6\"\n"
                 "\"$2\" export \"$4\" --data \"$5\" --out \"$1/site\"; status=$?\n"
                 "cp -a \"$1/site\" \"$7\"; exit $status",
                 "sh", mountPoint, INKWRIGHT_TOOL, QString::number(small), QString::number(large),
                 temp.path(), before, after});
    ASSERT_TRUE(shell.waitForFinished(60000));
    if (shell.error() == QProcess::FailedToStart || shell.exitCode() == 77)
        GTEST_SKIP() << "no private file system can be mounted here";
    const QString err = QString::fromUtf8(shell.readAllStandardError());
    ASSERT_NE(shell.exitCode(), 78) << err.toStdString();
    EXPECT_EQ(shell.exitCode(), 1);
    EXPECT_EQ(shell.readAllStandardOutput(), "");
    EXPECT_TRUE(err.contains("Cannot write " + mountPoint + "/site/")) << err.toStdString();
    EXPECT_TRUE(err.contains(": No space left on device\n")) << err.toStdString();
    EXPECT_FALSE(err.contains(".inkwright-site")) << err.toStdString();
    const QMap<QString, QByteArray> kept = folderFiles(after);
    EXPECT_EQ(kept.keys(), folderFiles(before).keys());
    EXPECT_TRUE(kept == folderFiles(before));
    EXPECT_TRUE(kept["index.html"].contains("<h1>SMALL</h1>"));
}

// A unit whose source was not found says so, and every place it was looked
// for, in every form of the report; a unit of a library the project is built
// against says that; only a unit read and found empty declares nothing.
TEST(ReportSiteExport, AUnitWithoutItsSourceIsNotCalledEmpty) {
    TempDir temp;
    temp.write("app/Empty.pas", "unit Empty;\ninterface\nconst X = 1;\nimplementation\nend.\n");
    temp.write("app/P.cfg", "-U..\\lib\r\n");
    const QString project = temp.write(
        "app/P.dpr",
        "program P;\nuses\n  Vcl.Forms,\n  Gone,\n  Empty in 'Empty.pas';\nbegin\nend.\n");
    const QString data = temp.filePath("data");
    const ToolRun built = runTool({"build", project, "--data", data});
    ASSERT_EQ(built.status, 0) << built.err.toStdString();
    const QString places = temp.filePath("app/Gone") + "; also looked in " + temp.filePath("lib");
    const QString notFound = "Source not found: " + places;
    const QString library = "Library unit (vcl)";
    const QString empty = "This unit declares no procedures or functions.";
    EXPECT_EQ(built.err, "Library unit (vcl): unit Vcl.Forms\nSource not found for unit Gone: " +
                             places + "\n");

    const StoreAddress database = StoreAddress::local(data);
    exportReport(database, 1, temp.filePath("r.html"));
    const QString html = fileText(temp.filePath("r.html"));
    EXPECT_EQ(html.count(notFound), 1);
    EXPECT_EQ(html.count(library), 1);
    EXPECT_EQ(html.count(empty), 1);
    exportReport(database, 1, temp.filePath("site"));
    EXPECT_TRUE(fileText(temp.filePath("site/Vcl.Forms.html")).contains(library));
    EXPECT_TRUE(fileText(temp.filePath("site/Gone.html")).contains(notFound));
    EXPECT_FALSE(fileText(temp.filePath("site/Gone.html")).contains(empty));
    EXPECT_TRUE(fileText(temp.filePath("site/Empty.html")).contains(empty));
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    exportReport(database, 1, temp.filePath("r.pdf"));
    QProcess text;
    text.start("pdftotext", {temp.filePath("r.pdf"), "-"});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString pdf = QString::fromUtf8(text.readAllStandardOutput());
    // The PDF's lines may break a long note; its words are all there.
    EXPECT_EQ(pdf.simplified().count(notFound.simplified()), 1) << pdf.toStdString();
    EXPECT_EQ(pdf.count(library), 1);
    EXPECT_EQ(pdf.count(empty), 1);
}

TEST_F(ReportSiteTest, TheSinglePageExportReadsLikeTheSite) {
    const QString page = built.temp().filePath("books.html");
    exportReport(built.address(), built.docNo(), page);
    const QString html = fileText(page);
    EXPECT_TRUE(
        html.contains("<pre class=\"declaration\"><code>" + BuiltDocument::longDeclaration()));
    EXPECT_TRUE(html.contains("This unit declares no procedures or functions."));
    EXPECT_TRUE(html.contains("No description."));
    EXPECT_FALSE(html.contains("N/A"));
    EXPECT_FALSE(html.contains("&lt;None&gt;"));
}

// What the browser saw: site_browser.py run on `page` of `site`.
QJsonObject browse(const QString& site, const QString& page, const QString& query,
                   const QString& shots, const QString& keys = {}) {
    QProcess browser;
    browser.start(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral(INKWRIGHT_SOURCE_DIR "/tests/report/site_browser.py"), site, page,
                   query, shots, keys});
    if (!browser.waitForFinished(120000) || browser.exitCode() != 0)
        ADD_FAILURE() << browser.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(browser.readAllStandardOutput()).object();
}

QStringList strings(const QJsonValue& array) {
    QStringList list;
    for (const QJsonValue& value : array.toArray())
        list.append(value.toString());
    return list;
}

TEST_F(ReportSiteTest, SearchInABrowserFindsARoutineByAWordOfItsDescription) {
    if (QStandardPaths::findExecutable("chromium").isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    exportReport(built.address(), built.docNo(), site);
    QTemporaryDir shots;
    const QJsonObject seen = browse(site, "index.html", "verbatim", shots.path());
    const QJsonArray results = seen["results"].toArray();
    ASSERT_EQ(results.size(), 1) << QJsonDocument(seen).toJson().toStdString();
    EXPECT_EQ(results[0]["text"].toString(), QString::fromUtf8("PostEntry \u2014 Ledger.pas"));
    EXPECT_EQ(results[0]["href"].toString(), "Ledger.html#PostEntry");
    EXPECT_TRUE(strings(seen["notes"]).isEmpty());
    // Following the result lands on the routine.
    EXPECT_EQ(seen["unit"]["title"].toString(), "Ledger.pas");
    EXPECT_TRUE(seen["unit"]["target"].toString().startsWith("procedure PostEntry("));
    for (const char* shot : {"page.png", "search.png", "unit.png"})
        EXPECT_GT(QFileInfo(shots.filePath(shot)).size(), 1000) << shot;
}

// A document of one unit of `routines` routines "Step1", "Step2"... and a
// unit "Shapes.pas" of one routine "Area".
QString stepsSite(const TempDir& temp, int routines) {
    ReportStore store{temp.path()};
    const qint32 docNo = store.addDocument("STEPS");
    const qint64 steps = store.addUnit(docNo, "Steps.pas", "N/A");
    for (int i = 1; i <= routines; ++i)
        store.addRoutine(docNo, steps, "PROCEDURE", QStringLiteral("Step%1").arg(i), "<None>",
                         "<None>", QStringLiteral("Does step %1.").arg(i));
    store.addRoutine(docNo, store.addUnit(docNo, "Shapes.pas", "N/A"), "FUNCTION", "Area", "<None>",
                     "Double");
    const QString site = temp.filePath("site");
    exportReport(store.address(), docNo, site);
    return site;
}

// A unit page loads no search index until the reader types; then the
// results say how many were left out, and the arrow keys walk them.
TEST(ReportSiteBrowser, TheSearchIndexLoadsOnTheFirstKeyAndItsResultsAreWalkedByKeyboard) {
    if (QStandardPaths::findExecutable("chromium").isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    TempDir temp;
    const QString site = stepsSite(temp, 60);
    QTemporaryDir shots;
    const QJsonObject seen =
        browse(site, "Steps.html", "step", shots.path(), "Down,Down,Up,Up,Down,Escape");
    EXPECT_EQ(strings(seen["loaded"]), (QStringList{"Steps.html", "style.css", "search.js"}))
        << QJsonDocument(seen).toJson().toStdString();
    EXPECT_FALSE(seen["indexLoaded"].toBool());
    EXPECT_TRUE(strings(seen["loadedAfterTyping"]).contains("search-index.js"));

    // The unit and 49 of its 60 routines; the 11 left out are said.
    const QJsonArray results = seen["results"].toArray();
    ASSERT_EQ(results.size(), 50) << QJsonDocument(seen).toJson().toStdString();
    EXPECT_EQ(results[0]["href"].toString(), "Steps.html");
    EXPECT_EQ(results[1]["href"].toString(), "Steps.html#Step1");
    EXPECT_EQ(results[49]["text"].toString(), QString::fromUtf8("Step49 \u2014 Steps.pas"));
    EXPECT_EQ(strings(seen["notes"]),
              QStringList{"The first 50 of 61 results are shown; type more to narrow them."});

    // Down into the results and on; up past the first back to the box;
    // Escape from a result goes back to the box too.
    EXPECT_EQ(strings(seen["focus"]), (QStringList{"Steps.html", "Steps.html#Step1", "Steps.html",
                                                   "search", "Steps.html", "search"}));
    EXPECT_GT(QFileInfo(shots.filePath("search.png")).size(), 1000);
}

// A hit that belongs to a type (a method, a property) is named after both,
// and found by both.
TEST(ReportSiteBrowser, AHitWithAnOwnerIsNamedOwnerDotNameAndAMissingIndexIsSaid) {
    if (QStandardPaths::findExecutable("chromium").isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    TempDir temp;
    const QString site = stepsSite(temp, 2);
    // Routine rows have no owner; declarations will. Give "Area" one, as
    // the index writes it.
    QFile index(site + "/search-index.js");
    ASSERT_TRUE(index.open(QIODevice::ReadWrite));
    QByteArray text = index.readAll();
    ASSERT_TRUE(text.contains("[1,\"Area\",\"Area\",\"\",1]"));
    text.replace("[1,\"Area\",\"Area\",\"\",1]", "[1,\"Area\",\"TShape.Area\",\"\",1,\"TShape\"]");
    index.resize(0);
    index.write(text);
    index.close();
    QTemporaryDir shots;
    const QJsonObject seen = browse(site, "index.html", "tshape.ar", shots.path());
    const QJsonArray results = seen["results"].toArray();
    ASSERT_EQ(results.size(), 1) << QJsonDocument(seen).toJson().toStdString();
    EXPECT_EQ(results[0]["text"].toString(), QString::fromUtf8("TShape.Area \u2014 Shapes.pas"));
    EXPECT_EQ(results[0]["href"].toString(), "Shapes.html#TShape.Area");

    // A site copied without its index says so instead of finding nothing.
    ASSERT_TRUE(QFile::remove(site + "/search-index.js"));
    const QJsonObject missing = browse(site, "Shapes.html", "area", shots.path());
    EXPECT_TRUE(missing["results"].toArray().isEmpty());
    EXPECT_EQ(strings(missing["notes"]), QStringList{"The search index could not be loaded."});
}

} // namespace
