// The PDF writer on its own: bookmarks written while the pages are, and the
// check that reads a written file back.
#include <gtest/gtest.h>
#include <QBuffer>
#include <QFile>
#include <QProcess>
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

} // namespace

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
