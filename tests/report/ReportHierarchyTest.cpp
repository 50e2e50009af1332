// The class hierarchy of a document in every output: the site's page (its
// links followed in a browser), the single page's section, and the PDF's
// pages before the identifier index with their links and outline entry.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>

#include "report/layout/PageSink.h"
#include "report/layout/ReportFile.h"
#include "report/layout/ReportLayout.h"
#include "report/layout/ReportSource.h"
#include "store/StoreAddress.h"
#include "tests/support/PrintQt.h"
#include "tests/support/ReadBack.h"
#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

using namespace ink;

namespace {

const char* const Shapes = R"(unit Shapes;

interface

uses Classes, fgl;

type
  IDrawable = interface
    procedure Draw;
  end;

  IFillable = interface(IDrawable)
    procedure Fill;
  end;

  TShape = class(TPersistent, IDrawable)
  private
    type
      TSecret = class
      end;
  public
    type
      TOutline = class
      end;
      TDashed = class(TOutline)
      end;
    procedure Draw;
  end;

  TShapeList = class(specialize TFPGList<TShape>)
  end;

  TPoint = record
    X, Y: Integer;
  end;

implementation

end.
)";

// A second unit: a class named after the unit of its ancestor, and one of
// the same name as a class of the first unit.
const char* const Circles = R"(unit Circles;

interface

uses Shapes;

type
  TCircle = class(Shapes.TShape)
  end;

  TRing = class(TCircle, IFillable)
    procedure Fill;
  end;

  TLegacy = object
  end;

  TShape = class
  end;

implementation

end.
)";

class ReportHierarchyTest : public ::testing::Test {
protected:
    void SetUp() override {
        temp.write("app/Shapes.pas", Shapes);
        temp.write("app/Circles.pas", Circles);
        const QString project =
            temp.write("app/P.dpr", "program P;\nuses\n  Shapes in 'Shapes.pas',\n  Circles in "
                                    "'Circles.pas';\nbegin\nend.\n");
        const ToolRun built = runTool({"build", project, "--data", temp.filePath("data")});
        ASSERT_EQ(built.status, 0) << built.err.toStdString();
    }

    TempDir temp;
    StoreAddress store = StoreAddress::local(temp.filePath("data"));
};

// The tree every output draws, as the site's page nests it.
const char* const SiteTree =
    "<ul class=\"hierarchy\">\n"
    "<li><a href=\"Shapes.html#IDrawable\">IDrawable</a> <small>interface, Shapes.pas</small>\n"
    "<ul>\n"
    "<li><a href=\"Shapes.html#IFillable\">IFillable</a> <small>interface, "
    "Shapes.pas</small></li>\n"
    "</ul></li>\n"
    "<li><span class=\"outside\">TFPGList&lt;T&gt;</span>\n"
    "<ul>\n"
    "<li><a href=\"Shapes.html#TShapeList\">TShapeList</a> <small>Shapes.pas</small></li>\n"
    "</ul></li>\n"
    "<li><a href=\"Circles.html#TLegacy\">TLegacy</a> <small>object, Circles.pas</small></li>\n"
    "<li><span class=\"outside\">TObject</span>\n"
    "<ul>\n"
    "<li><a href=\"Circles.html#TShape\">TShape</a> <small>Circles.pas</small></li>\n"
    "<li><a href=\"Shapes.html#TShape.TOutline\">TShape.TOutline</a> <small>Shapes.pas</small>\n"
    "<ul>\n"
    "<li><a href=\"Shapes.html#TShape.TDashed\">TShape.TDashed</a> <small>Shapes.pas</small></li>\n"
    "</ul></li>\n"
    "</ul></li>\n"
    "<li><span class=\"outside\">TPersistent</span>\n"
    "<ul>\n"
    "<li><a href=\"Shapes.html#TShape\">TShape</a> <small>Shapes.pas</small>\n"
    "<ul>\n"
    "<li><a href=\"Circles.html#TCircle\">TCircle</a> <small>Circles.pas</small>\n"
    "<ul>\n"
    "<li><a href=\"Circles.html#TRing\">TRing</a> <small>Circles.pas</small></li>\n"
    "</ul></li>\n"
    "</ul></li>\n"
    "</ul></li>\n"
    "</ul>\n";

TEST_F(ReportHierarchyTest, TheSiteHasAHierarchyPageThatEveryPageLinksTo) {
    const QString site = temp.filePath("site");
    exportReport(store, 1, site);
    const QString page = fileText(site + "/hierarchy.html");
    // Records are no part of it, nor a class the chosen visibility hides.
    EXPECT_TRUE(page.contains(QString::fromLatin1(SiteTree))) << page.toStdString();
    EXPECT_FALSE(page.contains("TSecret"));
    EXPECT_FALSE(page.contains("TPoint"));
    for (const char* unit : {"/Shapes.html", "/Circles.html"})
        EXPECT_TRUE(
            fileText(site + unit)
                .contains("<li><a href=\"hierarchy.html\">Class hierarchy</a></li></ul>\n<p "
                          "class=\"sidebar-heading\">Types</p>"))
            << unit;
    EXPECT_TRUE(fileText(site + "/index.html").contains("<a href=\"hierarchy.html\">"));
    EXPECT_TRUE(fileText(site + "/.inkwright-files").contains("hierarchy.html\n"));

    // With private members asked for, the hidden class is there too.
    exportReport(store, 1, site, {"public", "published", "protected", "private"});
    EXPECT_TRUE(fileText(site + "/hierarchy.html")
                    .contains("<li><a href=\"Shapes.html#TShape.TSecret\">TShape.TSecret</a>"));
}

TEST_F(ReportHierarchyTest, EveryLinkOfTheSitesHierarchyLandsOnItsClass) {
    if (QStandardPaths::findExecutable("chromium").isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    const QString site = temp.filePath("site");
    exportReport(store, 1, site);
    QTemporaryDir shots;
    QProcess browser;
    browser.start(QStringLiteral("/usr/bin/python3"),
                  {QStringLiteral(INKWRIGHT_SOURCE_DIR "/tests/report/site_browser.py"), "--links",
                   site, "hierarchy.html", shots.path()});
    ASSERT_TRUE(browser.waitForFinished(120000));
    ASSERT_EQ(browser.exitCode(), 0) << browser.readAllStandardError().toStdString();
    const QJsonArray links = QJsonDocument::fromJson(browser.readAllStandardOutput()).array();
    ASSERT_EQ(links.size(), 10);
    for (const QJsonValue& value : links) {
        const QJsonObject link = value.toObject();
        const QString text = link["text"].toString();
        const QJsonObject led = link["led"].toObject();
        // The class's own heading, on its unit's page, highlighted as the target.
        EXPECT_EQ(led["heading"].toString(), text.section('.', -1)) << text.toStdString();
        EXPECT_TRUE(led["isTarget"].toBool()) << text.toStdString();
        EXPECT_EQ(led["page"].toString(),
                  link["href"].toString().startsWith("Shapes") ? "Shapes.pas" : "Circles.pas");
    }
    EXPECT_GT(QFileInfo(shots.filePath("links.png")).size(), 1000);
}

TEST_F(ReportHierarchyTest, TheSinglePageEndsWithTheHierarchyLinkedWithinIt) {
    const QString html = temp.filePath("one.html");
    exportReport(store, 1, html);
    const QString page = fileText(html);
    const qsizetype section = page.indexOf("<h2 id=\"hierarchy\">Class hierarchy</h2>");
    ASSERT_GT(section, page.indexOf("<h3 id=\"u2\">Circles.pas</h3>"));
    const QString tree = page.mid(section);
    EXPECT_TRUE(tree.contains("<li><a href=\"#u1-TShape\">TShape</a> <small>Shapes.pas</small>"));
    EXPECT_TRUE(tree.contains("<li><a href=\"#u2-TRing\">TRing</a> <small>Circles.pas</small>"));
    for (const char* id : {"u1-TShape", "u2-TRing", "u1-TShape.TDashed"})
        EXPECT_TRUE(page.contains(QStringLiteral(" id=\"%1\">").arg(QString::fromLatin1(id))));

    // A document of no classes has no such section.
    temp.write("app/Plain.pas", "unit Plain;\ninterface\nprocedure Go;\nimplementation\nend.\n");
    const ToolRun built = runTool({"build",
                                   temp.write("app/Q.dpr", "program Q;\nuses Plain in "
                                                           "'Plain.pas';\nbegin\nend.\n"),
                                   "--data", temp.filePath("data")});
    ASSERT_EQ(built.status, 0) << built.err.toStdString();
    exportReport(store, 2, html);
    EXPECT_FALSE(fileText(html).contains("Class hierarchy"));
    const QString site = temp.filePath("plain");
    exportReport(store, 2, site);
    EXPECT_TRUE(fileText(site + "/hierarchy.html")
                    .contains("This document declares no classes, interfaces or objects."));
}

TEST_F(ReportHierarchyTest, ThePdfShowsTheTreeBeforeTheIndexEachClassLinkedToItsPlace) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    ReportSource source(store);
    ASSERT_TRUE(source.open(1));
    ReportLayout layout(source);
    ASSERT_GT(layout.hierarchyStart(), layout.unitStart(1).page);
    ASSERT_GT(layout.indexStart(), layout.hierarchyStart());
    const QString pdf = temp.filePath("r.pdf");
    writeReportPdf(source, layout, pdf);

    const QString tree =
        output("pdftotext", {"-f", QString::number(layout.hierarchyStart()), "-l",
                             QString::number(layout.indexStart() - 1), "-layout", pdf, "-"});
    // Each line as drawn: how far in it stands, then its words.
    QStringList lines;
    for (const QString& line : tree.split('\n')) {
        if (line.trimmed().isEmpty() || line.contains("Page ") || line.contains("Ancestors"))
            continue;
        const qsizetype indent =
            line.size() - QString(line).remove(QRegularExpression("^ +")).size();
        lines.append(QString::number(indent) + ' ' + line.simplified());
    }
    ASSERT_GE(lines.size(), 15) << tree.toStdString();
    // The header, the title, then the tree: levels further in, each class
    // with its unit and page, outside ancestors alone.
    const QString shapes = QString::number(layout.unitStart(0).page);
    QStringList words;
    QList<int> indents;
    for (const QString& line : lines.mid(2)) {
        indents.append(line.section(' ', 0, 0).toInt());
        words.append(line.section(' ', 1));
    }
    EXPECT_EQ(words.mid(0, 4).join('|').remove(QRegularExpression(" \\d+(?=\\||$)")),
              "IDrawable interface, Shapes.pas|IFillable interface, Shapes.pas|TFPGList<T>|"
              "TShapeList Shapes.pas")
        << tree.toStdString();
    EXPECT_EQ(words.mid(0, 2), (QStringList{"IDrawable interface, Shapes.pas " + shapes,
                                            "IFillable interface, Shapes.pas " + shapes}));
    EXPECT_EQ(words.mid(5, 8).join('|').remove(QRegularExpression(" \\d+(?=\\||$)")),
              "TObject|TShape Circles.pas|TShape.TOutline Shapes.pas|TShape.TDashed Shapes.pas|"
              "TPersistent|TShape Shapes.pas|TCircle Circles.pas|TRing Circles.pas");
    ASSERT_EQ(indents.size(), 13);
    EXPECT_LT(indents[0], indents[1]);   // IFillable under IDrawable
    EXPECT_EQ(indents[0], indents[5]);   // TObject a root
    EXPECT_LT(indents[7], indents[8]);   // TDashed under TOutline
    EXPECT_LT(indents[11], indents[12]); // TRing under TCircle

    // Each link goes to the heading of the class it names: the name under
    // the link, and the text at the place it leads to.
    const QString links = output("/usr/bin/python3", {"-c", QStringLiteral(R"(
import subprocess, sys
from pypdf import PdfReader
path = sys.argv[1]
r = PdfReader(path)
pages = {p.indirect_reference.idnum: i + 1 for i, p in enumerate(r.pages)}
def text(n, x, y, w, h):
    return subprocess.run(["pdftotext", "-f", str(n), "-l", str(n), "-x", str(int(x)),
                           "-y", str(int(y)), "-W", str(int(w)), "-H", str(int(h)), path, "-"],
                          capture_output=True, text=True).stdout.split()
for n in range(int(sys.argv[2]), int(sys.argv[3])):
    page = r.pages[n - 1]
    height = float(page.mediabox.height)
    for a in page.get("/Annots", []) or []:
        a = a.get_object()
        x0, y0, x1, y1 = [float(v) for v in a["/Rect"]]
        name = text(n, x0 + 1, height - y1 + 1, x1 - x0 - 1, y1 - y0 - 1)[0]
        dest = a["/Dest"]
        to = pages[dest[0].idnum]
        top = height - float(dest[3]) + 4
        print(name, to, text(to, 0, top, 600, 18)[0])
)"),
                                                      pdf, QString::number(layout.hierarchyStart()),
                                                      QString::number(layout.indexStart())});
    QStringList seen = links.trimmed().split('\n');
    ASSERT_EQ(seen.size(), 10) << links.toStdString();
    QStringList linkedPages;
    for (const QString& link : seen) {
        const QStringList parts = link.split(' ');
        ASSERT_EQ(parts.size(), 3) << link.toStdString();
        EXPECT_EQ(parts[2], parts[0].section('.', -1)) << link.toStdString();
        linkedPages.append(parts[1]);
    }
    // The page each line gives is the one its link leads to.
    QStringList shownPages;
    for (const QString& line : words)
        if (line.contains(".pas "))
            shownPages.append(line.section(' ', -1));
    EXPECT_EQ(shownPages, linkedPages);

    // Its outline entry stands between the units' and the index's.
    const QString outline = output("/usr/bin/python3", {"-c", QStringLiteral(R"(
import sys
from pypdf import PdfReader
print("\n".join(o.title for o in PdfReader(sys.argv[1]).outline if not isinstance(o, list)))
)"),
                                                        pdf});
    EXPECT_EQ(outline.trimmed().split('\n'),
              (QStringList{"Shapes.pas", "Circles.pas", "Class hierarchy", "Identifier index"}));
}

// A tree longer than a page goes on over the next ones, every line once,
// and the index still follows it.
TEST(ReportHierarchyPages, ALongTreeRunsOverPagesLosingNoLine) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    TempDir temp;
    QString unit = "unit Many;\ninterface\ntype\n";
    for (int i = 1; i <= 150; ++i)
        unit += QStringLiteral("  TClass%1 = class(TBase)\n  end;\n").arg(i, 3, 10, QChar('0'));
    temp.write("app/Many.pas", (unit + "implementation\nend.\n").toUtf8());
    const QString project =
        temp.write("app/P.dpr", "program P;\nuses Many in 'Many.pas';\nbegin\nend.\n");
    ASSERT_EQ(runTool({"build", project, "--data", temp.filePath("data")}).status, 0);
    ReportSource source(StoreAddress::local(temp.filePath("data")));
    ASSERT_TRUE(source.open(1));
    ReportLayout layout(source);
    const QString pdf = temp.filePath("r.pdf");
    writeReportPdf(source, layout, pdf);
    // 46 lines under the title, then 50 a page: TBase and 150 classes.
    EXPECT_EQ(layout.indexStart() - layout.hierarchyStart(), 4);
    QStringList names;
    for (int page = layout.hierarchyStart(); page < layout.indexStart(); ++page) {
        const QString text = output("pdftotext", {"-f", QString::number(page), "-l",
                                                  QString::number(page), "-layout", pdf, "-"});
        EXPECT_TRUE(text.contains(QStringLiteral("Page %1 of").arg(page)));
        for (const QString& line : text.split('\n'))
            if (line.contains("TClass") || line.trimmed() == "TBase")
                names.append(line.simplified().section(' ', 0, 0));
    }
    ASSERT_EQ(names.size(), 151);
    EXPECT_EQ(names.first(), "TBase");
    for (int i = 1; i <= 150; ++i)
        EXPECT_EQ(names[i], QStringLiteral("TClass%1").arg(i, 3, 10, QChar('0')));
}

// What the pages draw: texts and rules, by page and height.
class DrawnItems : public PageSink {
public:
    struct Item {
        int page;
        double y;
        QString text; // empty for a rule
    };
    void beginPage(int page) override { current_ = page; }
    void text(PageFont, double, QPointF at, const QString& text, double) override {
        items.append({current_, at.y(), text});
    }
    void rule(QPointF from, QPointF, double, double) override {
        items.append({current_, from.y(), {}});
    }
    void endPage() override {}
    QList<Item> items;

private:
    int current_ = 0;
};

// Each class, interface, object and record of a unit but the first stands
// under a rule of its own, so that one is not read as part of the one above;
// not at a page's top, where nothing stands above it.
TEST_F(ReportHierarchyTest, ThePdfSetsAUnitsTypesApartWithARule) {
    ReportSource source(store);
    ASSERT_TRUE(source.open(1));
    ReportLayout layout(source);
    DrawnItems sink;
    layout.render(layout.unitStart(0).page, layout.hierarchyStart() - 1, sink);
    QStringList under; // the text that follows each rule but the header's
    for (qsizetype i = 0; i < sink.items.size(); ++i) {
        const DrawnItems::Item& rule = sink.items[i];
        if (!rule.text.isEmpty() || rule.y < 60)
            continue;
        const auto next =
            std::find_if(sink.items.cbegin() + i + 1, sink.items.cend(),
                         [&](const DrawnItems::Item& item) { return !item.text.isEmpty(); });
        ASSERT_NE(next, sink.items.cend());
        EXPECT_EQ(next->page, rule.page);
        EXPECT_GT(next->y, rule.y);
        EXPECT_LT(next->y, rule.y + 20);
        under.append(next->text);
    }
    // Not the first type under its heading, nor one that begins a page.
    const QStringList types{"IFillable", "TShape", "TShapeList", "TPoint", "TRing", "TLegacy"};
    for (const QString& name : std::as_const(under))
        EXPECT_TRUE(types.contains(name)) << name.toStdString();
    EXPECT_GE(under.size(), 5) << under.join(' ').toStdString();
}

} // namespace
