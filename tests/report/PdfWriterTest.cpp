// The PDF writer on its own: bookmarks written while the pages are, and the
// check that reads a written file back.
#include <gtest/gtest.h>
#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "report/layout/PdfPageWriter.h"
#include "report/layout/ReportFile.h"
#include "tests/support/PrintQt.h"

using namespace ink;

namespace {

QString bookmarkTree(const QString& pdf) {
    // Each bookmark with its children, and a complaint wherever /Prev,
    // /Parent or /Count disagree with the /First and /Next chain readers walk.
    const char* const Script = R"(
import sys
from pypdf import PdfReader
r = PdfReader(sys.argv[1])
pages = [p.indirect_reference.idnum for p in r.pages]
out = []
def walk(parent, depth):
    item = parent.get("/First")
    previous = None
    kids = 0
    while item is not None:
        node = item.get_object()
        kids += 1
        if node.get("/Parent").get_object() is not parent:
            out.append("parent wrong at " + node["/Title"])
        before = node.get("/Prev")
        if (before.get_object() if before is not None else None) is not previous:
            out.append("prev wrong at " + node["/Title"])
        out.append("  " * depth + node["/Title"] + " p" + str(pages.index(node["/Dest"][0].idnum) + 1))
        walk(node, depth + 1)
        previous = node
        item = node.get("/Next")
    if kids and abs(parent.get("/Count", 0)) != kids:
        out.append("count wrong under " + str(parent.get("/Title", "root")))
    if kids and parent.get("/Last").get_object() is not previous:
        out.append("last wrong under " + str(parent.get("/Title", "root")))
walk(r.trailer["/Root"]["/Outlines"].get_object(), 0)
print("\n".join(out))
)";
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {"-c", QString::fromLatin1(Script), pdf});
    python.waitForFinished(60000);
    return QString::fromUtf8(python.readAllStandardOutput() + python.readAllStandardError())
        .trimmed();
}

// One page with `text` on it at `size` points.
void writeLine(const QString& path, const QString& text, double size) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    PdfPageWriter writer(file, 1, {595, 842}, {QStringLiteral("Line"), {}, {}, {}});
    writer.beginPage(1);
    writer.text(PageFont::Regular, size, {72, 144}, text, 0);
    writer.endPage();
    ASSERT_TRUE(writer.finish());
}

QString run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// How many pixels of the page come out dark when a reader draws it (at
// 50 dots an inch, in grey); -1 when it cannot be drawn.
int darkPixels(const QString& pdf) {
    QTemporaryDir folder;
    if (run(QStringLiteral("pdftoppm"),
            {"-gray", "-r", "50", "-singlefile", pdf, folder.filePath("page")})
            .startsWith('<'))
        return -1;
    QFile image(folder.filePath("page.pgm"));
    if (!image.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = image.readAll();
    // "P5", width, height and the largest value, each after white space,
    // then one byte a pixel.
    qsizetype at = 0;
    for (int field = 0; field < 4; ++field) {
        while (at < bytes.size() && QChar(bytes[at]).isSpace())
            ++at;
        while (at < bytes.size() && !QChar(bytes[at]).isSpace())
            ++at;
    }
    int dark = 0;
    for (qsizetype i = at + 1; i < bytes.size(); ++i)
        dark += uchar(bytes[i]) < 128 ? 1 : 0;
    return dark;
}

} // namespace

// Characters no installed font has (emoji where only colour fonts have them,
// a rare ideograph, a code point nothing is assigned to) used to come out
// as the face's glyph 0: blank on the page, and in the text layer every one
// of them read as the first such character met. Each is drawn as a box now,
// and reads back as itself.
TEST(PdfWriter, CharactersNoFontHasShowAsBoxesAndReadBackAsThemselves) {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty() ||
        QStandardPaths::findExecutable("pdftoppm").isEmpty())
        GTEST_SKIP() << "poppler's tools are not installed";
    QTemporaryDir folder;
    const QString text = QString::fromUtf8("A\U0001F40DB \U0001F389C \U0002000BD \U0001D11EE "
                                           "\u0378F \u0378\u0379G \U0001F40D!");
    const QString mixed = folder.filePath("mixed.pdf");
    writeLine(mixed, text, 16);
    EXPECT_EQ(run(QStringLiteral("pdftotext"), {mixed, "-"}).trimmed(), text);

    // Something is drawn where the missing character stands: more ink than
    // the letters alone, about a box's worth.
    const QString missing = folder.filePath("missing.pdf");
    const QString letters = folder.filePath("letters.pdf");
    writeLine(missing, QString::fromUtf8("A\u0378\u0379B"), 40);
    writeLine(letters, QStringLiteral("AB"), 40);
    const int withBoxes = darkPixels(missing);
    const int without = darkPixels(letters);
    ASSERT_GT(without, 0);
    EXPECT_GT(withBoxes, without + 60) << withBoxes << " dark pixels, " << without << " without";
}

// The writer lets a bookmark go once its siblings and children are known;
// what readers see must be the tree the calls described, levels skipped
// (a member whose type is not shown) and bookmarks on later pages included.
TEST(PdfWriter, BookmarksWrittenAsTheyCloseMakeTheTreeTheCallsDescribe) {
    QTemporaryDir folder;
    const QString path = folder.filePath("marks.pdf");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        PdfPageWriter writer(file, 3, {595, 842}, {QStringLiteral("Marks"), {}, {}, {}});
        const QList<std::tuple<int, int, const char*>> marks{
            {1, 0, "A"}, {1, 1, "A1"}, {1, 2, "A1a"}, {2, 2, "A1b"}, {2, 1, "A2"},
            {2, 0, "B"}, {2, 2, "Bx"}, {3, 1, "B1"},  {3, 3, "B1z"}, {3, 0, "C"}};
        for (int page = 1; page <= 3; ++page) {
            writer.beginPage(page);
            writer.text(PageFont::Regular, 10, {72, 72}, QStringLiteral("Page"), 0);
            for (const auto& [on, level, title] : marks)
                if (on == page)
                    writer.outline(level, QString::fromLatin1(title), page, 100);
            writer.endPage();
        }
        ASSERT_TRUE(writer.finish());
    }
    EXPECT_EQ(bookmarkTree(path), "A p1\n"
                                  "  A1 p1\n"
                                  "    A1a p1\n"
                                  "    A1b p2\n"
                                  "  A2 p2\n"
                                  "B p2\n"
                                  "  Bx p2\n"
                                  "  B1 p3\n"
                                  "    B1z p3\n"
                                  "C p3");
    EXPECT_EQ(pdfPageCount(path), 3);
}

// The file is read back in pieces; a page or the page tree's count that
// straddles two pieces is still counted once, and a count that disagrees
// with the pages, or a file cut short, is no PDF.
TEST(PdfWriter, PageCountReadsAFileBiggerThanOnePieceExactly) {
    QTemporaryDir folder;
    const auto write = [&](const QByteArray& bytes) {
        const QString path = folder.filePath("big.pdf");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    };
    const qsizetype piece = 1 << 20;
    const QByteArray page = "<< /Type /Page /Parent 2 0 R >>\n";
    QByteArray bytes = "%PDF-1.4\n";
    for (int straddle = 0; straddle < 3; ++straddle) {
        // The next "/Type /Page " begins a few bytes before a piece ends.
        bytes += QByteArray(piece * (straddle + 1) - 7 - bytes.size(), ' ');
        bytes += page;
    }
    bytes += QByteArray(piece * 4 - 10 - bytes.size(), ' ');
    const QByteArray tail = "<< /Type /Pages /Count 3 /Kids [] >>\ntrailer\n%%EOF\n";
    EXPECT_EQ(pdfPageCount(write(bytes + tail)), 3);
    QByteArray miscounted = bytes + tail;
    miscounted.replace("/Count 3", "/Count 30");
    EXPECT_EQ(pdfPageCount(write(miscounted)), -1);
    EXPECT_EQ(pdfPageCount(write(bytes + tail.left(tail.size() - 7))), -1);
    EXPECT_EQ(pdfPageCount(write("no pdf" + bytes + tail)), -1);
}
