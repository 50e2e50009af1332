// Text beyond the standard PDF faces: every script drawn with a real font,
// kept in the PDF's text layer, measured as it is drawn, and only the
// glyphs used embedded.
#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>

#include "report/layout/FontShaper.h"
#include "report/layout/PainterPageSink.h"
#include "report/layout/ReportFile.h"
#include "report/layout/ReportLayout.h"
#include "report/layout/ReportSource.h"
#include "ReportStore.h"
#include "tests/support/PrintQt.h"
#include "tests/support/TempDir.h"

using namespace ink;

namespace {

const QString Hebrew = QString::fromUtf8("שלום עולם");
const QString Chinese = QString::fromUtf8("中文说明");
const QString Arabic = QString::fromUtf8("مرحبا بالعالم");
const QString Greek = QString::fromUtf8("Καλημέρα κόσμε");
const QString Cyrillic = QString::fromUtf8("Привет, мир");
// Mathematical bold capitals, beyond the basic plane.
const QString Astral = QString::fromUtf8("𝐀𝐁𝐂");

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return QStringLiteral("<%1 failed>").arg(program);
    return QString::fromUtf8(process.readAllStandardOutput());
}

class ReportScriptsTest : public ::testing::Test {
protected:
    // A document whose unit description holds `text`, exported as a PDF.
    QString exportWith(const QString& description, const QString& routineDescription = {}) {
        const qint32 docNo = store.addDocument(QStringLiteral("SCRIPTS"));
        const qint64 unit = store.addUnit(docNo, "Scripts.pas", "N/A", description);
        store.addRoutine(docNo, unit, "PROCEDURE", "Go", "<None>", "<None>", routineDescription);
        const QString pdf = temp.filePath("scripts.pdf");
        exportReport(store.databaseFile(), docNo, pdf);
        return pdf;
    }

    TempDir temp;
    ReportStore store{temp.path()};
};

} // namespace

TEST(FontShaper, FindsAFaceWithARealGlyphForEveryScript) {
    FontShaper& shaper = FontShaper::instance();
    for (const QString& text : {Hebrew, Chinese, Arabic, Greek, Cyrillic, Astral}) {
        const QList<ShapedRun> runs = shaper.shape(PageFont::Regular, text);
        ASSERT_FALSE(runs.isEmpty()) << text.toStdString();
        for (const ShapedRun& shaped : runs) {
            if (shaped.face == StandardFace)
                continue; // the blank between words
            for (const ShapedGlyph& glyph : shaped.glyphs)
                EXPECT_NE(glyph.glyph, 0u) << text.toStdString() << " in "
                                           << shaper.face(shaped.face).family.toStdString();
        }
    }
    // Greek and Cyrillic come from the report's own face, not a stand-in.
    EXPECT_EQ(shaper.face(shaper.shape(PageFont::Regular, Greek).first().face).family,
              QStringLiteral("Liberation Sans"));
}

TEST(FontShaper, RightToLeftTextIsDrawnFromItsEnd) {
    FontShaper& shaper = FontShaper::instance();
    // A Hebrew phrase in a Latin sentence: the Latin stays first, the two
    // Hebrew words change places and each is drawn from its last letter.
    const QString text = QStringLiteral("Say ") + Hebrew + QStringLiteral(" now");
    QStringList order;
    for (const ShapedRun& shaped : shaper.shape(PageFont::Regular, text))
        order.append(shaped.text);
    EXPECT_EQ(order.join('|'), QString::fromUtf8("Say |עולם| |שלום| now"))
        << order.join('|').toStdString();
    const QList<ShapedRun> hebrew = shaper.shape(PageFont::Regular, Hebrew);
    ASSERT_FALSE(hebrew.isEmpty());
    EXPECT_TRUE(hebrew.first().rightToLeft);
    const ShapedGlyph& first = hebrew.first().glyphs.first();
    EXPECT_EQ(hebrew.first().text.mid(first.textFrom, first.textLength),
              QString::fromUtf8("ם")); // the last letter is drawn first
}

TEST(FontShaper, ALineIsAsWideDrawnAsTheLayoutMeasuredIt) {
    // The layout breaks lines by the widths of single characters; the
    // shaped runs the PDF and the preview draw must come out the same, or
    // a full line would run past the margin.
    FontShaper& shaper = FontShaper::instance();
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    for (const PageFont font : {PageFont::Regular, PageFont::Bold, PageFont::Mono}) {
        for (const QString& text :
             {Hebrew, Chinese, Greek, Cyrillic, Astral, QString::fromUtf8("Cafe\u0301 – 中 x")}) {
            double drawn = 0;
            for (const ShapedRun& shaped : shaper.shape(font, text))
                drawn += shaped.width;
            EXPECT_NEAR(drawn, metrics.width(font, 1000, text), 0.5) << text.toStdString();
        }
    }
}

TEST(ReportLayoutWrap, ACharacterBeyondTheBasicPlaneIsNeverCutInTwo) {
    // Narrow enough that one character fits a line at most.
    const QList<ReportLayout::Line> lines = ReportLayout::wrap(Astral, PageFont::Regular, 10, 0, 1);
    ASSERT_EQ(lines.size(), 3);
    for (const ReportLayout::Line& line : lines)
        EXPECT_EQ(line.text.size(), 2) << line.text.toStdString(); // one surrogate pair
}

TEST_F(ReportScriptsTest, EveryScriptReadsBackFromThePdfText) {
    const QString pdf = exportWith(Hebrew + '\n' + Chinese + '\n' + Arabic + '\n' + Greek + '\n' +
                                       Cyrillic + '\n' + Astral,
                                   QStringLiteral("Mixed: ") + Chinese + QStringLiteral(" and ") +
                                       Astral + QStringLiteral(" end"));
    QFile::copy(pdf, "/tmp/tmp.8kYtBsrSvY/scripts.pdf");
    const QString text = run("pdftotext", {pdf, "-"}).normalized(QString::NormalizationForm_C);
    for (const QString& expected :
         {Hebrew, Chinese, Arabic, Greek, Cyrillic, Astral,
          QStringLiteral("Mixed: ") + Chinese + QStringLiteral(" and ") + Astral})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\nin:\n"
                                             << text.toStdString();
    EXPECT_FALSE(text.contains('?')) << text.toStdString();

    // Each face is embedded, and as a subset.
    const QString fonts = run("pdffonts", {pdf});
    const QStringList embedded = fonts.split('\n').filter(QStringLiteral("CID TrueType"));
    EXPECT_GE(embedded.size(), 3) << fonts.toStdString(); // Liberation, DejaVu, WenQuanYi at least
    for (const QString& line : embedded)
        EXPECT_TRUE(line.contains(QRegularExpression("\\+\\S+\\s.*\\byes\\s+yes\\s+yes\\b")))
            << line.toStdString();
}

TEST_F(ReportScriptsTest, OnlyTheGlyphsUsedAreEmbedded) {
    // The CJK font alone is megabytes; a page with a few of its characters
    // must not carry it whole.
    const QString pdf = exportWith(Chinese + ' ' + Hebrew + ' ' + Astral);
    EXPECT_LT(QFileInfo(pdf).size(), 120 * 1024);
}

TEST_F(ReportScriptsTest, LongLinesInEveryScriptStayInsideTheMargins) {
    QString long_;
    for (int i = 0; i < 12; ++i)
        long_ += Chinese + Chinese + QLatin1Char(' ') + Hebrew + QLatin1Char(' ') + Arabic +
                 QLatin1Char(' ') + Astral + QLatin1Char(' ');
    const QString pdf = exportWith(long_);
    const QString boxes = run("pdftotext", {"-bbox", pdf, "-"});
    const QRegularExpression word("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\"");
    int words = 0;
    for (auto match = word.globalMatch(boxes); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        if (m.captured(2).toDouble() < 60)
            continue; // the running head
        ++words;
        EXPECT_GE(m.captured(1).toDouble(), 61.0) << m.captured(0).toStdString();
        EXPECT_LE(m.captured(3).toDouble(), 595.276 - 56 + 1.0) << m.captured(0).toStdString();
    }
    EXPECT_GT(words, 40);
}

TEST_F(ReportScriptsTest, ThePreviewDrawsThoseCharactersWithInk) {
    // The page in the preview's painter: the Chinese line must show strokes
    // where it stands, as the PDF does.
    const qint32 docNo = store.addDocument(QStringLiteral("SCRIPTS"));
    store.addUnit(docNo, "Scripts.pas", "N/A", Chinese + Chinese + Chinese);
    ReportSource source(store.databaseFile());
    ASSERT_TRUE(source.open(docNo));
    ReportLayout layout(source);
    QImage page(596, 842, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        PainterPageSink sink(painter);
        layout.renderPage(3, sink);
    }
    page.save("/tmp/tmp.8kYtBsrSvY/preview.png");
    // The description's line, below the unit's heading.
    int ink = 0;
    for (int y = 100; y < 150; ++y)
        for (int x = 62; x < 250; ++x)
            ink += qGray(page.pixel(x, y)) < 128;
    EXPECT_GT(ink, 150);
}
