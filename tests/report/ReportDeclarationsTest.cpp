// The declarations of a unit as every output shows them: types with their
// members grouped, then the unit's routines, constants and variables; the
// members chosen by visibility; notes for deprecated declarations and
// changed signatures; shared descriptions; the PDF's nested outline and the
// site's anchors.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include "report/layout/ReportFile.h"
#include "report/layout/ReportLayout.h"
#include "report/layout/ReportSource.h"
#include "store/StoreAddress.h"
#include "store/testing/SqlFile.h"
#include "store/UserError.h"
#include "tests/support/ReadBack.h"
#include "tests/support/TempDir.h"
#include "tests/support/ToolRun.h"

using namespace ink;

namespace {

const char* const Shapes = R"(unit Shapes;

interface

uses Classes;

type
  TShapeKind = (skCircle, skSquare);

  IDrawable = interface
    procedure Draw;
  end;

  TShape = class(TPersistent, IDrawable)
  private
    FArea: Double;
    FKind: TShapeKind;
    procedure Hidden;
  protected
    procedure Changed; virtual;
  public
    constructor Create; overload;
    constructor Create(AKind: TShapeKind); overload;
    destructor Destroy; override;
    function Area: Double;
    procedure Draw;
    procedure OldDraw; deprecated 'Use Draw';
    property Kind: TShapeKind read FKind;
  published
    property OnChange: TNotifyEvent read FOnChange write FOnChange;
  end;

  TCircle = class(TShape)
  public
    Radius: Double;
  end;

function MakeShape(AKind: TShapeKind): TShape;

const
  MaxShapes = 100;

var
  ShapeCount: Integer;

implementation

end.
)";

// Every piece appears in `text`, each after the one before.
::testing::AssertionResult appearInOrder(const QString& text, const QStringList& pieces) {
    qsizetype from = 0;
    for (const QString& piece : pieces) {
        const qsizetype at = text.indexOf(piece, from);
        if (at < 0)
            return ::testing::AssertionFailure()
                   << '"' << piece.toStdString() << "\" missing after position " << from << " in:\n"
                   << text.toStdString();
        from = at + piece.size();
    }
    return ::testing::AssertionSuccess();
}

// The bookmarks as "title" lines, each level two blanks further in.
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

class ReportDeclarationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        temp.write("app/Shapes.pas", Shapes);
        const QString project =
            temp.write("app/P.dpr", "program P;\nuses\n  Shapes in 'Shapes.pas';\nbegin\nend.\n");
        const ToolRun built = runTool({"build", project, "--data", temp.filePath("data")});
        ASSERT_EQ(built.status, 0) << built.err.toStdString();
        // Own descriptions, one on a declaration whose signature changed
        // under it; the routine row's description shared with MakeShape.
        runSql(database, "UPDATE DeclsLib SET Description = 'The surface in square units.', "
                         "ChangedFrom = 'function Area: Single;' WHERE DeclName = 'Area';"
                         "UPDATE DeclsLib SET Description = 'Makes a shape of its kind.' "
                         "WHERE DeclName = 'Create' AND OverloadKey <> '';"
                         "UPDATE DeclsLib SET Description = 'Anything that draws.' "
                         "WHERE DeclName = 'IDrawable';"
                         "UPDATE ProcsLib SET Description = 'The factory of every shape.' "
                         "WHERE ProcName = 'MakeShape';");
    }

    QString pdfText(const QString& pdf) { return output(QStringLiteral("pdftotext"), {pdf, "-"}); }

    TempDir temp;
    QString database = QDir(temp.filePath("data")).filePath("Inkwright.sqlite");
    StoreAddress store = StoreAddress::local(temp.filePath("data"));
};

TEST_F(ReportDeclarationsTest, PdfShowsTypesWithTheirMembersGroupedThenTheUnitLevel) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    const QString pdf = temp.filePath("r.pdf");
    exportReport(store, 1, pdf);
    const QString text = pdfText(pdf).simplified();
    EXPECT_TRUE(appearInOrder(
        text, {"Types",
               "TShapeKind = (skCircle, skSquare);",
               "IDrawable",
               "interface",
               "Anything that draws.",
               "procedure Draw;",
               "TShape",
               "class, inherits TPersistent, implements IDrawable",
               "Constructors and destructors",
               "constructor Create; overload;",
               "constructor Create(AKind: TShapeKind); overload;",
               "Makes a shape of its kind.",
               "destructor Destroy; override;",
               "Methods",
               "procedure Changed; virtual;",
               "protected",
               "function Area: Double;",
               "Signature changed: the description was written for function Area: Single;",
               "The surface in square units.",
               "procedure OldDraw; deprecated 'Use Draw';",
               "Deprecated: Use Draw",
               "Properties",
               "property Kind: TShapeKind read FKind;",
               "Events",
               "property OnChange",
               "published",
               "TCircle",
               "class, inherits TShape",
               "Fields",
               "Radius: Double;",
               "Routines",
               "function MakeShape(AKind: TShapeKind): TShape;",
               "The factory of every shape.",
               "Constants",
               "MaxShapes = 100;",
               "Variables",
               "ShapeCount: Integer;"}));
    EXPECT_TRUE(text.contains("Shapes.pas:"));
    // Private members are left out by default.
    EXPECT_FALSE(text.contains("Hidden")) << text.toStdString();
    EXPECT_FALSE(text.contains("FArea"));
}

TEST_F(ReportDeclarationsTest, PdfOutlineNestsUnitTypeMember) {
    const QString pdf = temp.filePath("r.pdf");
    exportReport(store, 1, pdf);
    EXPECT_EQ(outlineOf(pdf), "Shapes.pas\n"
                              "  TShapeKind\n"
                              "  IDrawable\n"
                              "    Draw\n"
                              "  TShape\n"
                              "    Create\n"
                              "    Create\n"
                              "    Destroy\n"
                              "    Changed\n"
                              "    Area\n"
                              "    Draw\n"
                              "    OldDraw\n"
                              "    Kind\n"
                              "    OnChange\n"
                              "  TCircle\n"
                              "    Radius\n"
                              "  MakeShape\n"
                              "  MaxShapes\n"
                              "  ShapeCount\n"
                              "Class hierarchy\n"
                              "Identifier index\n");
}

TEST_F(ReportDeclarationsTest, PdfEndsWithAnIdentifierIndexLinkedToEachDeclaration) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    ReportSource source(store);
    ASSERT_TRUE(source.open(1));
    ReportLayout layout(source);
    ASSERT_GT(layout.indexStart(), 0);
    const QString pdf = temp.filePath("r.pdf");
    writeReportPdf(source, layout, pdf);
    const QString index = output(QStringLiteral("pdftotext"),
                                 {"-f", QString::number(layout.indexStart()), "-layout", pdf, "-"})
                              .simplified();
    // A to Z without regard to case, overloads and names of several owners
    // each their own entry, with owner and unit.
    const QString page = QString::number(layout.unitStart(0).page);
    EXPECT_TRUE(appearInOrder(index, {"Identifier index",
                                      "A",
                                      "Area TShape, Shapes.pas",
                                      "C",
                                      "Changed TShape",
                                      "Create TShape, Shapes.pas",
                                      "Create TShape, Shapes.pas",
                                      "D",
                                      "Destroy TShape",
                                      "Draw IDrawable, Shapes.pas",
                                      "Draw TShape, Shapes.pas",
                                      "I",
                                      "IDrawable Shapes.pas",
                                      "K",
                                      "Kind TShape",
                                      "M",
                                      "MakeShape Shapes.pas",
                                      "MaxShapes Shapes.pas",
                                      "O",
                                      "OldDraw",
                                      "OnChange",
                                      "R",
                                      "Radius TCircle",
                                      "S",
                                      "ShapeCount",
                                      "T",
                                      "TCircle",
                                      "TShape Shapes.pas",
                                      "TShapeKind"}));
    EXPECT_FALSE(index.contains("Hidden"));
    // Each entry links to the page its declaration stands on.
    const QString links =
        output(QStringLiteral("/usr/bin/python3"), {"-c", QStringLiteral(R"(
import sys
from pypdf import PdfReader
r = PdfReader(sys.argv[1])
pages = {p.indirect_reference.idnum: i + 1 for i, p in enumerate(r.pages)}
first = int(sys.argv[2])
n = 0
for page in r.pages[first - 1:]:
    for a in page.get("/Annots", []) or []:
        a = a.get_object()
        if a.get("/Subtype") == "/Link":
            n += 1
            assert pages[a["/Dest"][0].idnum] >= 3
print(n)
)"),
                                                    pdf, QString::number(layout.indexStart())});
    EXPECT_EQ(links.trimmed(), "18"); // every declaration shown
}

TEST_F(ReportDeclarationsTest, PdfLinksTypeNamesInDeclarationsToTheirTypes) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    ReportSource source(store);
    ASSERT_TRUE(source.open(1));
    ReportLayout layout(source);
    const QString pdf = temp.filePath("r.pdf");
    writeReportPdf(source, layout, pdf);
    // The word under each link of the unit's pages, and the page it goes to.
    const QString links =
        output(QStringLiteral("/usr/bin/python3"), {"-c", QStringLiteral(R"(
import subprocess, sys
from pypdf import PdfReader
r = PdfReader(sys.argv[1])
pages = {p.indirect_reference.idnum: i + 1 for i, p in enumerate(r.pages)}
for n in range(int(sys.argv[2]), int(sys.argv[3])):
    page = r.pages[n - 1]
    height = float(page.mediabox.height)
    for a in page.get("/Annots", []) or []:
        a = a.get_object()
        x0, y0, x1, y1 = [float(v) for v in a["/Rect"]]
        word = subprocess.run(["pdftotext", "-f", str(n), "-l", str(n), "-x", str(int(x0) + 1),
                               "-y", str(int(height - y1) + 1), "-W", str(int(x1 - x0) - 1),
                               "-H", str(int(y1 - y0) - 1), sys.argv[1], "-"],
                              capture_output=True, text=True).stdout.strip()
        print(word, pages[a["/Dest"][0].idnum])
)"),
                                                    pdf, QString::number(layout.unitStart(0).page),
                                                    QString::number(layout.hierarchyStart())});
    const QString page = QString::number(layout.unitStart(0).page);
    QStringList lines = links.trimmed().split('\n');
    lines.sort();
    EXPECT_EQ(lines, QStringList({"IDrawable " + page, "IDrawable " + page, "TShape " + page,
                                  "TShape " + page, "TShape " + page, "TShapeKind " + page,
                                  "TShapeKind " + page, "TShapeKind " + page}))
        << links.toStdString();
}

TEST_F(ReportDeclarationsTest, VisibilityIsChosenPerExport) {
    const QString html = temp.filePath("all.html");
    exportReport(store, 1, html, {"public", "published", "protected", "private"});
    const QString all = fileText(html);
    EXPECT_TRUE(all.contains("<code>procedure Hidden;</code>"));
    EXPECT_TRUE(all.contains("<code>FArea: Double;</code>"));

    exportReport(store, 1, html, {"published"});
    const QString published = fileText(html);
    EXPECT_TRUE(published.contains("property OnChange"));
    EXPECT_FALSE(published.contains("procedure Changed"));
    EXPECT_FALSE(published.contains("function Area"));
    // Unit-level declarations have no visibility: always there.
    EXPECT_TRUE(published.contains("ShapeCount: Integer;"));

    EXPECT_THROW(exportReport(store, 1, html, {"public", "secret"}), UserError);

    const ToolRun run = runTool({"export", "1", "--data", temp.filePath("data"), "--out",
                                 temp.filePath("tool.html"), "--visibility", "public,private"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QString tool = fileText(temp.filePath("tool.html"));
    EXPECT_TRUE(tool.contains("procedure Hidden;"));
    EXPECT_FALSE(tool.contains("procedure Changed")); // protected not asked for
    const ToolRun wrong = runTool({"export", "1", "--data", temp.filePath("data"), "--out",
                                   temp.filePath("tool.html"), "--visibility", "hidden"});
    EXPECT_NE(wrong.status, 0);
    EXPECT_TRUE(wrong.err.contains("\"hidden\" is no visibility")) << wrong.err.toStdString();
}

TEST_F(ReportDeclarationsTest, SiteGivesEachDeclarationAStableAnchorAndListsTypes) {
    const QString site = temp.filePath("site");
    exportReport(store, 1, site);
    const QString page = fileText(site + "/Shapes.html");
    for (const char* id :
         {"TShape", "TShape.Area", "TShape.Create", "TShape.Create-2", "IDrawable.Draw",
          "TShape.Draw", "TCircle.Radius", "MakeShape", "MaxShapes", "ShapeCount"})
        EXPECT_TRUE(page.contains(QStringLiteral(" id=\"%1\">").arg(QString::fromLatin1(id))))
            << id;
    EXPECT_TRUE(appearInOrder(
        page, {"<p class=\"sidebar-heading\">Types</p>", "<a href=\"#TShapeKind\">TShapeKind</a>",
               "<a href=\"#IDrawable\">IDrawable</a>", "<a href=\"#TShape\">TShape</a>",
               "<a href=\"#TCircle\">TCircle</a>", "<p class=\"sidebar-heading\">Routines</p>",
               "<a href=\"#MakeShape\">MakeShape</a>", "</nav>"}));
    EXPECT_TRUE(page.contains("<p class=\"deprecated\">Deprecated: Use Draw</p>"));
    EXPECT_TRUE(page.contains("<span class=\"where\">Shapes.pas:"));
    // Type names link to their types; a type's own name in its head does not.
    EXPECT_TRUE(page.contains("<code>constructor Create(AKind: <a "
                              "href=\"Shapes.html#TShapeKind\">TShapeKind</a>); overload;</code>"));
    EXPECT_TRUE(page.contains("<code>TShape = class(TPersistent, <a "
                              "href=\"Shapes.html#IDrawable\">IDrawable</a>)</code>"));
    EXPECT_TRUE(page.contains("<p class=\"kind\">class, inherits <a "
                              "href=\"Shapes.html#TShape\">TShape</a></p>"));
    // Search hits name the owner.
    EXPECT_TRUE(fileText(site + "/search-index.js")
                    .contains("[1,\"Area\",\"TShape.Area\",\"The surface in square units.\",0,"
                              "\"TShape\"]"));

    // The identifier index: A to Z, each entry linked to its anchor.
    const QString identifiers = fileText(site + "/identifiers.html");
    EXPECT_TRUE(appearInOrder(
        identifiers,
        {"<nav class=\"letters\" aria-label=\"Letters\"><a href=\"#letter-1\">A</a> "
         "<a href=\"#letter-2\">C</a>",
         "<h2 id=\"letter-1\">A</h2>",
         "<li><a href=\"Shapes.html#TShape.Area\">Area</a> <small>TShape, Shapes.pas</small>",
         "<h2 id=\"letter-2\">C</h2>", "<a href=\"Shapes.html#TShape.Changed\">Changed</a>",
         "<a href=\"Shapes.html#TShape.Create\">Create</a>",
         "<a href=\"Shapes.html#TShape.Create-2\">Create</a>",
         "<a href=\"Shapes.html#IDrawable.Draw\">Draw</a> <small>IDrawable, Shapes.pas</small>",
         "<a href=\"Shapes.html#TShape.Draw\">Draw</a>",
         "<a href=\"Shapes.html#MakeShape\">MakeShape</a> <small>Shapes.pas</small>",
         "<a href=\"Shapes.html#TShapeKind\">TShapeKind</a>"}));
    EXPECT_FALSE(identifiers.contains("Hidden"));
    EXPECT_TRUE(page.contains("<a href=\"identifiers.html\">Identifier index</a>"));
    EXPECT_TRUE(fileText(site + "/index.html").contains("<a href=\"identifiers.html\">"));

    // The single page: the same ids, each with the unit's prefix.
    exportReport(store, 1, temp.filePath("one.html"));
    const QString one = fileText(temp.filePath("one.html"));
    EXPECT_TRUE(one.contains(" id=\"u1-TShape.Create-2\">"));
    EXPECT_TRUE(one.contains("<code>TCircle = class(<a href=\"#u1-TShape\">TShape</a>)</code>"));
    EXPECT_TRUE(one.contains("The factory of every shape."));
}

} // namespace
