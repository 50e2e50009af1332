// The report's pages, laid out from a document the build made: what each
// page holds, that any page drawn alone is the page drawn in one run, and
// what the PDF carries besides its text (bookmarks, links, metadata).
#include <gtest/gtest.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

#include "BuiltDocument.h"
#include "report/layout/PageSink.h"
#include "report/layout/ReportFile.h"
#include "report/layout/ReportLayout.h"
#include "report/layout/ReportPrint.h"
#include "report/layout/ReportSource.h"
#include "tests/support/PrintQt.h"
#include "tests/support/ToolRun.h"

using namespace ink;

namespace {

struct Drawn {
    int page;
    PageFont font;
    double size;
    QPointF at;
    QString text;
    bool operator==(const Drawn&) const = default;
};

class RecordingSink : public PageSink {
public:
    void beginPage(int page) override {
        pages.append(page);
        current = page;
    }
    void text(PageFont font, double size, QPointF at, const QString& text, double) override {
        items.append({current, font, size, at, text});
    }
    void rule(QPointF, QPointF, double, double) override {}
    void endPage() override { ++ended; }
    QList<Drawn> onPage(int page) const {
        QList<Drawn> found;
        for (const Drawn& item : items)
            if (item.page == page)
                found.append(item);
        return found;
    }

    QList<int> pages;
    QList<Drawn> items;
    int current = 0;
    int ended = 0;
};

QString run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>")
            .arg(program, QString::fromUtf8(process.readAllStandardError()));
    return QString::fromUtf8(process.readAllStandardOutput());
}

// pdftotext's pages, split at its form feeds.
QStringList pdfPages(const QString& pdf) {
    QStringList pages =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
            .split(QChar('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// The PDF as pypdf reads it: page count, metadata, bookmarks with the page
// each opens, and the pages the links of each page lead to.
QJsonObject pdfStructure(const QString& pdf) {
    const char* const Script = R"(
import json, sys
from pypdf import PdfReader
r = PdfReader(sys.argv[1])
def tree(items):
    out = []
    for item in items:
        if isinstance(item, list):
            out[-1]["kids"] = tree(item)
        else:
            out.append({"title": item.title, "page": r.get_destination_page_number(item) + 1})
    return out
pages = {p.indirect_reference.idnum: i + 1 for i, p in enumerate(r.pages)}
links = []
for page in r.pages:
    targets = []
    for a in page.get("/Annots", []) or []:
        a = a.get_object()
        if a.get("/Subtype") == "/Link" and "/Dest" in a:
            targets.append(pages[a["/Dest"][0].idnum])
    links.append(targets)
m = r.metadata
print(json.dumps({"pages": len(r.pages), "title": m.title, "author": m.author,
                  "creator": m.creator, "outline": tree(r.outline), "links": links}))
)";
    return QJsonDocument::fromJson(
               run(QStringLiteral("/usr/bin/python3"), {"-c", QString::fromLatin1(Script), pdf})
                   .toUtf8())
        .object();
}

class ReportLayoutTest : public ::testing::Test {
protected:
    BuiltDocument built{400};
    ReportSource source{built.address()};
    void SetUp() override { ASSERT_TRUE(source.open(built.docNo())); }
};

TEST_F(ReportLayoutTest, AnyPageDrawnAloneIsThatPageOfTheWholeRun) {
    ReportLayout layout(source);
    ASSERT_GT(layout.pageCount(), 6);
    RecordingSink whole;
    layout.render(1, layout.pageCount(), whole);
    ASSERT_EQ(whole.pages.size(), layout.pageCount());
    EXPECT_EQ(whole.ended, layout.pageCount());

    for (int page = layout.pageCount(); page >= 1; --page) {
        RecordingSink alone;
        layout.renderPage(page, alone);
        EXPECT_EQ(alone.pages, QList<int>{page}); // only the page asked for is drawn
        EXPECT_EQ(alone.items, whole.onPage(page)) << "page " << page;
    }
    RecordingSink range;
    layout.render(4, 5, range);
    EXPECT_EQ(range.pages, QList<int>({4, 5}));
}

// The preview lays the report out while it shows it. A page drawn before
// the count is complete is that page of the whole run but for the total in
// its footer and, on the contents, the pages of units not laid out yet;
// once complete, the layout is the one counted at once.
TEST_F(ReportLayoutTest, PagesDrawnWhileTheRestIsLaidOutAreThoseOfTheWholeRun) {
    // Both made at one moment: the title page names it, and a slow run could
    // otherwise see the minute turn between them.
    const QDateTime made = QDateTime::currentDateTime();
    ReportLayout whole(source, QLocale(), made);
    RecordingSink all;
    whole.render(1, whole.pageCount(), all);
    const auto isFooter = [](const Drawn& item) {
        return QRegularExpression("^Page \\d+( of \\d+)?$").match(item.text).hasMatch();
    };

    ReportLayout growing(source, ReportLayout::Deferred::Counting, QLocale(), made);
    EXPECT_FALSE(growing.isComplete());
    EXPECT_EQ(growing.pageCount(), 2); // the title and the contents
    EXPECT_EQ(growing.indexStart(), 0);
    QList<int> counts;
    while (!growing.layOutMore(0)) {
        ASSERT_LT(counts.size(), 10) << "the layout never completes";
        counts.append(growing.pageCount());
        EXPECT_EQ(growing.unitsLaidOut(), counts.size());
        for (int page = 1; page <= growing.pageCount(); ++page) {
            RecordingSink alone;
            growing.renderPage(page, alone);
            EXPECT_EQ(alone.pages, QList<int>{page});
            const QList<Drawn> expected = all.onPage(page);
            QList<Drawn> drawn = alone.items;
            ASSERT_EQ(std::count_if(drawn.cbegin(), drawn.cend(), isFooter), 1) << "page " << page;
            EXPECT_EQ(drawn.takeLast().text, QStringLiteral("Page %1").arg(page));
            if (page == 2) { // what the contents give is given right
                for (const Drawn& item : drawn)
                    EXPECT_TRUE(expected.contains(item)) << item.text.toStdString();
                if (growing.unitsLaidOut() < source.unitCount()) {
                    EXPECT_LT(drawn.size(), expected.size() - 1);
                }
                continue;
            }
            EXPECT_EQ(drawn, expected.first(expected.size() - 1)) << "page " << page;
        }
    }
    // One unit a slice: Ledger.pas, Empty.pas, then the pages of Many.pas.
    EXPECT_EQ(counts.size(), 3);
    EXPECT_LE(counts.first(), counts.last());
    EXPECT_LT(counts.last(), whole.pageCount()); // the identifier index comes last
    EXPECT_TRUE(growing.isComplete());
    EXPECT_EQ(growing.pageCount(), whole.pageCount());
    EXPECT_EQ(growing.indexStart(), whole.indexStart());
    RecordingSink after;
    growing.render(1, growing.pageCount(), after);
    EXPECT_EQ(after.items, all.items);
}

TEST_F(ReportLayoutTest, NoHeadingOrDeclarationStandsAloneAtAPageFoot) {
    ReportLayout layout(source);
    RecordingSink whole;
    layout.render(1, layout.pageCount(), whole);
    for (int page = 3; page <= layout.pageCount(); ++page) {
        QList<Drawn> body;
        for (const Drawn& item : whole.onPage(page))
            if (item.at.y() > 60 && !item.text.startsWith("Page "))
                body.append(item);
        ASSERT_FALSE(body.isEmpty()) << "page " << page;
        const Drawn& last = body.last();
        EXPECT_FALSE(last.font == PageFont::Bold && last.size > 12)
            << "heading at the foot of page " << page << ": " << last.text.toStdString();
        EXPECT_NE(last.font, PageFont::Mono)
            << "declaration at the foot of page " << page << ": " << last.text.toStdString();
        // The running header names the unit the page opens in.
        EXPECT_TRUE(whole.onPage(page).size() > 2);
    }
}

TEST_F(ReportLayoutTest, PdfReadsLikeAReference) {
    ReportLayout layout(source);
    const QString pdf = built.temp().filePath("books.pdf");
    writeReportPdf(source, layout, pdf);
    const QStringList pages = pdfPages(pdf);
    ASSERT_EQ(pages.size(), layout.pageCount());
    const int count = layout.pageCount();
    for (int page = 1; page <= count; ++page)
        EXPECT_TRUE(pages[page - 1].contains(QStringLiteral("Page %1 of %2").arg(page).arg(count)))
            << "page " << page;

    const QString text = pages.join(QChar('\n'));
    EXPECT_FALSE(text.contains("<None>"));
    EXPECT_FALSE(text.contains("N/A"));
    // The title page, then the contents with page numbers, then the units.
    EXPECT_TRUE(pages[0].contains("BOOKS"));
    EXPECT_TRUE(pages[0].contains("Ann Author"));
    EXPECT_TRUE(pages[0].contains("Quill & Co"));
    EXPECT_TRUE(pages[0].contains("Books.dpr"));
    EXPECT_TRUE(pages[0].contains(QRegularExpression("Units\\s+3")));
    EXPECT_TRUE(pages[1].contains("Contents"));
    EXPECT_TRUE(pages[1].contains(
        QRegularExpression(QStringLiteral("Ledger.pas[ .]+%1").arg(layout.unitStart(0).page))));
    EXPECT_TRUE(pages[1].contains(
        QRegularExpression(QStringLiteral("Many.pas[ .]+%1").arg(layout.unitStart(2).page))));
    const QString ledger = pages[layout.unitStart(0).page - 1];
    EXPECT_TRUE(ledger.contains("Form: frmLedger"));
    EXPECT_TRUE(ledger.contains("Keeps the books."));
    EXPECT_TRUE(ledger.contains("procedure OpenLedger(const Path: string);"));
    EXPECT_TRUE(ledger.contains("Opens the ledger file named by Path."));
    EXPECT_TRUE(ledger.contains("function Balance: Currency;"));
    // Whole, though its parameters pass the store's 50 characters, wrapped
    // at a blank.
    EXPECT_TRUE(ledger.simplified().contains(BuiltDocument::longDeclaration()))
        << ledger.toStdString();
    EXPECT_TRUE(ledger.contains("No description."));
    EXPECT_TRUE(pages[layout.unitStart(1).page - 1].contains(
        "This unit declares no procedures or functions."));
    // Running header: the document's name and the unit.
    EXPECT_TRUE(pages[layout.unitStart(2).page].contains(QRegularExpression("BOOKS\\s+Many.pas")));
}

TEST_F(ReportLayoutTest, PdfHasBookmarksContentsLinksAndMetadata) {
    ReportLayout layout(source);
    const QString pdf = built.temp().filePath("books.pdf");
    writeReportPdf(source, layout, pdf);
    EXPECT_EQ(pdfPageCount(pdf), layout.pageCount());

    const QJsonObject structure = pdfStructure(pdf);
    ASSERT_EQ(structure["pages"].toInt(), layout.pageCount())
        << structure.keys().join(",").toStdString();
    EXPECT_EQ(structure["title"].toString(), "BOOKS");
    EXPECT_EQ(structure["author"].toString(), "Ann Author");
    EXPECT_EQ(structure["creator"].toString(), "Inkwright");

    const QJsonArray outline = structure["outline"].toArray();
    ASSERT_EQ(outline.size(), 4); // the units, then the identifier index
    EXPECT_EQ(outline[3]["title"].toString(), "Identifier index");
    EXPECT_EQ(outline[3]["page"].toInt(), layout.indexStart());
    const QStringList units{"Ledger.pas", "Empty.pas", "Many.pas"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(outline[i]["title"].toString(), units[i]);
        EXPECT_EQ(outline[i]["page"].toInt(), layout.unitStart(i).page);
    }
    const QJsonArray ledger = outline[0]["kids"].toArray();
    // The declarations in source order.
    ASSERT_EQ(ledger.size(), 3);
    EXPECT_EQ(ledger[0]["title"].toString(), "OpenLedger");
    EXPECT_EQ(ledger[1]["title"].toString(), "Balance");
    EXPECT_EQ(ledger[2]["title"].toString(), "PostEntry");
    const QJsonArray empty = outline[1]["kids"].toArray();
    ASSERT_EQ(empty.size(), 1);
    EXPECT_EQ(empty[0]["title"].toString(), "Answer");
    const QJsonArray many = outline[2]["kids"].toArray();
    ASSERT_EQ(many.size(), 400);
    EXPECT_EQ(many.last()["page"].toInt(), layout.indexStart() - 1);

    // The contents page links each entry to its unit's page.
    const QJsonArray links = structure["links"].toArray()[1].toArray();
    ASSERT_EQ(links.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(links[i].toInt(), layout.unitStart(i).page);
}

TEST_F(ReportLayoutTest, PrintingARangeDrawsThoseLaidOutPages) {
    ReportLayout layout(source);
    const QString whole = built.temp().filePath("whole.pdf");
    writeReportPdf(source, layout, whole);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString printed = built.temp().filePath("printed.pdf");
    printer.setOutputFileName(printed);
    printReportPages(layout, printer, 4, 5);

    const QStringList pages = pdfPages(printed);
    ASSERT_EQ(pages.size(), 2);
    const QStringList expected = pdfPages(whole).mid(3, 2);
    for (int i = 0; i < 2; ++i) {
        // The same lines; the printer's fonts may space a line differently.
        const auto words = [](const QString& text) {
            return text.simplified().remove(QChar(' ')).remove(QChar('.'));
        };
        EXPECT_EQ(words(pages[i]), words(expected[i])) << "page " << 4 + i;
    }
}

TEST_F(ReportLayoutTest, ToolSaysWroteOnlyAfterCheckingAndFailsWhenItCannotWrite) {
    ReportLayout layout(source);
    const QString pdf = built.temp().filePath("out/books.pdf");
    ToolRun done = runTool(
        {"export", QString::number(built.docNo()), "--data", built.dataDir(), "--out", pdf});
    EXPECT_EQ(done.status, 0) << done.err.toStdString();
    EXPECT_EQ(done.out.trimmed(),
              QStringLiteral("wrote %1 (%2 pages)").arg(pdf).arg(layout.pageCount()));
    EXPECT_EQ(pdfPageCount(pdf), layout.pageCount());

    const QString blocked = built.temp().write("file", "a file, not a folder") + "/books.pdf";
    ToolRun failed = runTool(
        {"export", QString::number(built.docNo()), "--data", built.dataDir(), "--out", blocked});
    EXPECT_EQ(failed.status, 1);
    EXPECT_FALSE(failed.out.contains("wrote"));
    EXPECT_TRUE(failed.err.contains("Cannot write")) << failed.err.toStdString();

    // A disk that fills up part way through is a failure too, and leaves no file.
    const QString full = built.temp().filePath("full.pdf");
    ToolRun partial = runTool(
        {"export", QString::number(built.docNo()), "--data", built.dataDir(), "--out", full},
        {false, 4096});
    EXPECT_EQ(partial.status, 1) << partial.out.toStdString();
    EXPECT_FALSE(partial.out.contains("wrote"));
    EXPECT_FALSE(QFile::exists(full));
}

} // namespace
