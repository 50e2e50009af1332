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
        exportReport(store.address(), docNo, pdf);
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

TEST(FontShaper, AWrappedLineKeepsItsParagraphsDirection) {
    // A Latin paragraph whose second line begins with a Hebrew word still
    // reads left to right: "end" stays at the right of that line.
    const QString paragraph =
        QStringLiteral("Latin words first ") + Hebrew + QStringLiteral(" end");
    const double room = PageFontMetrics::instance().width(PageFont::Regular, 10,
                                                          QStringLiteral("Latin words first "));
    const QList<ReportLayout::Line> lines =
        ReportLayout::wrap(paragraph, PageFont::Regular, 10, 0, room + 1);
    ASSERT_EQ(lines.size(), 2);
    const QList<ShapedRun> runs = FontShaper::instance().shape(PageFont::Regular, lines[1].text);
    ASSERT_FALSE(runs.isEmpty());
    EXPECT_EQ(runs.last().text, QStringLiteral(" end"));
    // The mark that says so takes no room and leaves no trace in the text.
    double drawn = 0;
    QString shown;
    for (const ShapedRun& shaped : runs) {
        drawn += shaped.width;
        shown += shaped.text;
    }
    EXPECT_NEAR(drawn, PageFontMetrics::instance().width(PageFont::Regular, 1000, lines[1].text),
                0.5);
    EXPECT_FALSE(shown.contains(QChar(LeftToRightMark)));
    // A Hebrew paragraph's own lines need no mark.
    for (const ReportLayout::Line& line :
         ReportLayout::wrap(Hebrew + ' ' + Hebrew, PageFont::Regular, 10, 0, room / 2))
        EXPECT_FALSE(line.text.contains(QChar(RightToLeftMark)) ||
                     line.text.contains(QChar(LeftToRightMark)));
}

TEST(FontShaper, ALineIsAsWideDrawnAsTheLayoutMeasuredIt) {
    // The layout breaks lines by the widths of single characters; the
    // shaped runs the PDF and the preview draw must come out the same, or
    // a full line would run past the margin.
    FontShaper& shaper = FontShaper::instance();
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    for (const PageFont font : {PageFont::Regular, PageFont::Bold, PageFont::Mono}) {
        for (const QString& text :
             {Hebrew, Chinese, Greek, Cyrillic, Astral, QString::fromUtf8("Cafe\u0301 – 中 x"),
              QString::fromUtf8("A\u0378B \U0001F40D\u0301")}) { // the last: no font has them
            double drawn = 0;
            for (const ShapedRun& shaped : shaper.shape(font, text))
                drawn += shaped.width;
            EXPECT_NEAR(drawn, metrics.width(font, 1000, text), 0.5) << text.toStdString();
        }
    }
}

// A character no font has is a box in the preview too, as in the PDF:
// more ink than the letters around it alone.
TEST(FontShaper, ThePreviewDrawsABoxWhereNoFontHasTheCharacter) {
    const auto darkPixels = [](const QString& text) {
        QImage image(400, 100, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            PainterPageSink sink(painter);
            sink.text(PageFont::Regular, 40, {10, 70}, text, 0);
        }
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
        return dark;
    };
    const int letters = darkPixels(QStringLiteral("AB"));
    ASSERT_GT(letters, 0);
    EXPECT_GT(darkPixels(QString::fromUtf8("A\u0378\u0379B")), letters + 100);
}

TEST(FontShaper, AnyTextIsShapedWholeAndEveryCharacterKeptForTheTextLayer) {
    // Mixtures a user may type or paste: scripts of both directions, marks
    // with and without a letter before them, halves of surrogate pairs,
    // control characters, direction marks, joiners, characters no font has.
    const char32_t pool[] = {U'a',      U' ',      U'7',      U'(',      U'\u00e9', U'\u0301',
                             U'\u05e9', U'\u05b4', U'\u0645', U'\u064e', U'\u0644', U'\u0627',
                             U'\u4e2d', U'\u200e', U'\u200f', U'\u200d', U'\u0001', U'\ue000',
                             U'\ufffd', 0x1D400,   0x1F600,   0x10FFFD,  0xD800,    0xDC00};
    quint32 seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };
    FontShaper& shaper = FontShaper::instance();
    for (int round = 0; round < 1500; ++round) {
        QString text;
        const int length = 1 + int(next() % 24);
        for (int i = 0; i < length; ++i) {
            const char32_t c = pool[next() % std::size(pool)];
            if (c >= 0xD800 && c <= 0xDFFF)
                text += QChar(char16_t(c)); // a lone half
            else
                text += QString::fromUcs4(&c, 1);
        }
        qsizetype shown = 0;
        for (const ShapedRun& shaped : shaper.shape(PageFont::Regular, text)) {
            shown += shaped.text.size();
            if (shaped.face == StandardFace)
                continue;
            qsizetype covered = 0;
            for (const ShapedGlyph& glyph : shaped.glyphs) {
                ASSERT_GE(glyph.textFrom, 0);
                ASSERT_LE(glyph.textFrom + glyph.textLength, shaped.text.size());
                covered += glyph.textLength;
            }
            EXPECT_EQ(covered, shaped.text.size()) << text.toStdString();
        }
        EXPECT_EQ(shown, text.size() - text.count(QChar(LeftToRightMark)) -
                             text.count(QChar(RightToLeftMark)))
            << text.toStdString();
    }
}

TEST(ReportLayoutWrap, JoiningLettersFillALineByTheirShapedWidth) {
    // Arabic letters joined in a word take far less room than alone: a line
    // measured letter by letter would end words too early. Every line must
    // fit, and none could have taken the next word.
    QString paragraph;
    for (int i = 0; i < 8; ++i)
        paragraph += Arabic + QLatin1Char(' ');
    const double room = 200;
    const QList<ReportLayout::Line> lines =
        ReportLayout::wrap(paragraph.trimmed(), PageFont::Regular, 10, 0, room);
    auto drawnWidth = [](const QString& text) {
        double width = 0;
        for (const ShapedRun& shaped : FontShaper::instance().shape(PageFont::Regular, text))
            width += shaped.width * 10 / 1000.0;
        return width;
    };
    ASSERT_GE(lines.size(), 2);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        EXPECT_LE(drawnWidth(lines[i].text), room) << i;
        if (i + 1 < lines.size()) {
            QString text = lines[i + 1].text;
            text.remove(QChar(RightToLeftMark));
            const QString nextWord = text.section(QLatin1Char(' '), 0, 0);
            EXPECT_GT(drawnWidth(lines[i].text + QLatin1Char(' ') + nextWord), room) << i;
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

TEST_F(ReportScriptsTest, ThePreviewAndThePdfDrawTheSameLines) {
    // A description in several scripts that wraps: the preview's painter and
    // a renderer of the PDF must put ink on the same lines, each starting
    // and ending at the same place (to a few pixels of smoothing).
    QString text;
    for (int i = 0; i < 6; ++i)
        text += Chinese + QLatin1Char(' ') + Hebrew + QStringLiteral(" and ") + Astral +
                QLatin1Char(' ') + Arabic + QLatin1Char(' ');
    const QString pdf = exportWith(text);
    ASSERT_EQ(run("pdftoppm",
                  {"-r", "72", "-f", "3", "-l", "3", "-gray", "-png", pdf, temp.filePath("pdf")}),
              QString());
    const QImage printed(temp.filePath("pdf-3.png"));
    ASSERT_FALSE(printed.isNull());

    ReportSource source(store.address());
    ASSERT_TRUE(source.open(1));
    ReportLayout layout(source);
    QImage previewed(printed.size(), QImage::Format_RGB32);
    previewed.fill(Qt::white);
    {
        QPainter painter(&previewed);
        painter.setRenderHint(QPainter::Antialiasing);
        PainterPageSink sink(painter);
        layout.renderPage(3, sink);
    }

    // The description's lines: bands of rows with ink between the heading and
    // the routine (whose Courier a PDF reader may stand in with a face of its own).
    struct Band {
        int top, bottom, left, right;
    };
    auto bands = [](const QImage& page) {
        QList<Band> found;
        bool open = false;
        for (int y = 95; y < 142; ++y) {
            int left = page.width(), right = -1;
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 160) {
                    left = qMin(left, x);
                    right = x;
                }
            if (right < 0) {
                open = false;
                continue;
            }
            if (!open)
                found.append({y, y, left, right});
            open = true;
            Band& band = found.last();
            band.bottom = y;
            band.left = qMin(band.left, left);
            band.right = qMax(band.right, right);
        }
        return found;
    };
    const QList<Band> onPaper = bands(printed);
    const QList<Band> onScreen = bands(previewed);
    ASSERT_EQ(onPaper.size(), 3);
    ASSERT_EQ(onPaper.size(), onScreen.size());
    for (qsizetype i = 0; i < onPaper.size(); ++i) {
        EXPECT_NEAR(onPaper[i].top, onScreen[i].top, 3) << "line " << i;
        EXPECT_NEAR(onPaper[i].left, onScreen[i].left, 3) << "line " << i;
        EXPECT_NEAR(onPaper[i].right, onScreen[i].right, 3) << "line " << i;
    }
}
