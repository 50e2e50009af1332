#include "PdfPageWriter.h"

#include <algorithm>
#include <cmath>
#include <QIODevice>

#include "FontShaper.h"

#include "store/UserError.h"
#include "WriteAll.h"

namespace ink {

namespace {

constexpr int CatalogObject = 1;
constexpr int PagesObject = 2;
constexpr int InfoObject = 3;
constexpr int FirstFontObject = 4; // one per PageFont
constexpr int OutlinesObject = 8;

const char* const BaseFonts[PageFontCount] = {"Helvetica", "Helvetica-Bold", "Helvetica-Oblique",
                                              "Courier"};

// Numbers with at most two decimals, the way PDF wants them (no exponent).
void appendNumber(QByteArray& out, double value) {
    long long hundredths = std::llround(value * 100);
    if (hundredths < 0) {
        out += '-';
        hundredths = -hundredths;
    }
    out += QByteArray::number(hundredths / 100);
    const int fraction = int(hundredths % 100);
    if (fraction != 0) {
        out += '.';
        out += char('0' + fraction / 10);
        if (fraction % 10 != 0)
            out += char('0' + fraction % 10);
    }
}

QByteArray number(double value) {
    QByteArray out;
    appendNumber(out, value);
    return out;
}

// A literal string of bytes in the fonts' code page.
void appendLiteral(QByteArray& out, const QString& text) {
    out += '(';
    for (const char c : winAnsiBytes(text)) {
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c;
    }
    out += ')';
}

// A text string outside the page (bookmarks, the document information) in
// UTF-16, so any character survives.
QByteArray textString(const QString& text) {
    QByteArray out = "<FEFF";
    for (const QChar c : text)
        out += QByteArray::number(c.unicode() + 0x10000, 16).mid(1).toUpper();
    return out + '>';
}

// A moment in UTC says so ("Z"); a local one keeps no offset, as before.
QByteArray pdfDate(const QDateTime& moment) {
    const QByteArray zone = moment.timeSpec() == Qt::UTC ? "Z" : "";
    return "(D:" + moment.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + zone + ")";
}

} // namespace

PdfPageWriter::PdfPageWriter(QIODevice& out, int pageCount, QSizeF pageSize, const Info& info)
    : out_(out), pageCount_(pageCount), pageSize_(pageSize), info_(info),
      nextObject_(9 + 2 * pageCount) {
    offsets_.resize(nextObject_, 0);
    write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    for (int f = 0; f < PageFontCount; ++f) {
        beginObject(FirstFontObject + f);
        write(QByteArray("<< /Type /Font /Subtype /Type1 /BaseFont /") + BaseFonts[f] +
              " /Encoding /WinAnsiEncoding >>\nendobj\n");
    }
}

void PdfPageWriter::beginObject(int number) {
    if (number >= offsets_.size())
        offsets_.resize(number + 1, 0);
    offsets_[number] = offset_;
    write(QByteArray::number(number) + " 0 obj\n");
}

void PdfPageWriter::write(const QByteArray& bytes) {
    pending_ += bytes;
    offset_ += bytes.size();
    if (pending_.size() >= (1 << 18))
        flush();
}

void PdfPageWriter::flush() {
    if (!failed_ && !writeAll(out_, pending_))
        failed_ = true;
    pending_.clear();
}

QByteArray PdfPageWriter::destination(int page, double y) const {
    return "[" + QByteArray::number(pageObject(page)) + " 0 R /XYZ 0 " +
           number(pageSize_.height() - y + 4) + " null]";
}

void PdfPageWriter::beginPage(int pageNumber) {
    currentPage_ = pageNumber;
    content_.clear();
    inText_ = false;
    font_ = -1;
    grey_ = 0;
    links_.clear();
    pageFonts_.clear();
}

void PdfPageWriter::setGrey(double grey) {
    if (grey == grey_)
        return;
    grey_ = grey;
    appendNumber(content_, grey);
    content_ += " g ";
}

void PdfPageWriter::text(PageFont font, double size, QPointF baseline, const QString& text,
                         double grey) {
    setGrey(grey);
    const double y = pageSize_.height() - baseline.y();
    if (!FontShaper::needsShaping(text)) {
        showText(font, size, baseline.x(), y, text);
        return;
    }
    double x = baseline.x();
    for (const ShapedRun& run : FontShaper::instance().shape(font, text)) {
        if (run.face == StandardFace)
            showText(font, size, x, y, run.text);
        else
            showGlyphs(run, size, x, y);
        x += run.width * size / 1000.0;
    }
}

void PdfPageWriter::beginText() {
    if (!inText_) {
        content_ += "BT\n";
        inText_ = true;
        font_ = -1;
    }
}

void PdfPageWriter::setFont(int font, const QByteArray& name, double size) {
    if (font != font_ || size != fontSize_) {
        font_ = font;
        fontSize_ = size;
        content_ += '/' + name + ' ';
        appendNumber(content_, size);
        content_ += " Tf ";
    }
}

void PdfPageWriter::moveTo(double x, double y) {
    content_ += "1 0 0 1 ";
    appendNumber(content_, x);
    content_ += ' ';
    appendNumber(content_, y);
    content_ += " Tm ";
}

void PdfPageWriter::showText(PageFont font, double size, double x, double y, QStringView text) {
    beginText();
    setFont(int(font), "F" + QByteArray::number(int(font) + 1), size);
    moveTo(x, y);
    appendLiteral(content_, text.toString());
    content_ += " Tj\n";
}

// Glyphs of an embedded face, two bytes each (the glyph's number). The
// reader advances each by its width in the font; where shaping placed it
// otherwise, the array says by how much, and a glyph moved off the line
// (a mark above a letter) gets a place of its own.
void PdfPageWriter::showGlyphs(const ShapedRun& run, double size, double x, double y) {
    const int object = embedded_.fontObject(run.face, nextObject_);
    const QByteArray name = "E" + QByteArray::number(run.face + 1);
    pageFonts_.insert(name, object);
    beginText();
    setFont(PageFontCount + run.face, name, size);
    const FontShaper& shaper = FontShaper::instance();
    double pen = x;
    bool inArray = false;
    bool inString = false;
    auto closeString = [&] {
        if (inString)
            content_ += ')';
        inString = false;
    };
    auto closeArray = [&] {
        closeString();
        if (inArray)
            content_ += "] TJ\n";
        inArray = false;
    };
    // A glyph number as two bytes of a literal string; the bytes a literal
    // string gives a meaning are escaped, and so are line ends, which a
    // reader would take as one.
    auto appendGlyph = [&](quint32 glyph) {
        for (const char byte : {char(glyph >> 8), char(glyph & 0xFF)}) {
            if (byte == '(' || byte == ')' || byte == '\\')
                content_ += '\\';
            if (byte == '\r')
                content_ += "\\r";
            else if (byte == '\n')
                content_ += "\\n";
            else
                content_ += byte;
        }
    };
    QList<QRectF> boxes; // of characters no font has, drawn after the text
    moveTo(pen, y);
    for (const ShapedGlyph& glyph : run.glyphs) {
        const QStringView shows = QStringView(run.text).sliced(glyph.textFrom, glyph.textLength);
        if (glyph.glyph == MissingGlyph) {
            // A box for the eye; for the text layer, the characters' own
            // code, drawn invisibly in the box's place.
            const QRectF box = missingGlyphBox();
            boxes.append({pen + box.x() * size / 1000.0, y + box.y() * size / 1000.0,
                          box.width() * size / 1000.0, box.height() * size / 1000.0});
            closeArray();
            if (!shows.isEmpty()) {
                content_ += "3 Tr ";
                moveTo(pen, y);
                content_ += '(';
                appendGlyph(embedded_.missingCode(run.face, shows));
                content_ += ") Tj 0 Tr ";
            }
            pen += glyph.advance * size / 1000.0;
            moveTo(pen, y);
            continue;
        }
        embedded_.use(run.face, glyph.glyph, shows);
        if (glyph.xOffset != 0 || glyph.yOffset != 0) {
            closeArray();
            moveTo(pen + glyph.xOffset * size / 1000.0, y + glyph.yOffset * size / 1000.0);
            content_ += '(';
            appendGlyph(glyph.glyph);
            content_ += ") Tj ";
            pen += glyph.advance * size / 1000.0;
            moveTo(pen, y);
            continue;
        }
        if (!inArray) {
            content_ += '[';
            inArray = true;
        }
        if (!inString) {
            content_ += '(';
            inString = true;
        }
        appendGlyph(glyph.glyph);
        const double own = shaper.glyphAdvance(run.face, glyph.glyph);
        if (std::abs(own - glyph.advance) >= 0.005) {
            closeString();
            appendNumber(content_, own - glyph.advance);
        }
        pen += glyph.advance * size / 1000.0;
    }
    closeArray();
    if (boxes.isEmpty())
        return;
    endText();
    content_ += "q ";
    appendNumber(content_, grey_);
    content_ += " G ";
    appendNumber(content_, std::max(size * 0.06, 0.3));
    content_ += " w ";
    for (const QRectF& box : std::as_const(boxes)) {
        for (const double value : {box.x(), box.y(), box.width(), box.height()}) {
            appendNumber(content_, value);
            content_ += ' ';
        }
        content_ += "re ";
    }
    content_ += "S Q\n";
}

void PdfPageWriter::endText() {
    if (inText_)
        content_ += "ET\n";
    inText_ = false;
}

void PdfPageWriter::rule(QPointF from, QPointF to, double width, double grey) {
    endText();
    appendNumber(content_, grey);
    content_ += " G ";
    appendNumber(content_, width);
    content_ += " w ";
    appendNumber(content_, from.x());
    content_ += ' ';
    appendNumber(content_, pageSize_.height() - from.y());
    content_ += " m ";
    appendNumber(content_, to.x());
    content_ += ' ';
    appendNumber(content_, pageSize_.height() - to.y());
    content_ += " l S\n";
}

void PdfPageWriter::link(const QRectF& area, int targetPage, double targetY) {
    if (targetPage >= 1 && targetPage <= pageCount_)
        links_.append({area, targetPage, targetY});
}

// A bookmark goes under the last one of a lower level (a unit, then a
// type). Those of its level or deeper before it can have no more children,
// and the last of them is its previous sibling: they are written now.
void PdfPageWriter::outline(int level, const QString& title, int page, double y) {
    OpenBookmark mark;
    mark.level = level;
    mark.object = nextObject_++;
    mark.title = title;
    mark.page = page;
    mark.y = float(y);
    while (!openBookmarks_.isEmpty() && openBookmarks_.last().level >= level) {
        OpenBookmark closed = openBookmarks_.takeLast();
        if (openBookmarks_.isEmpty() || openBookmarks_.last().level < level) {
            closed.next = mark.object;
            mark.previous = closed.object;
        }
        closeBookmark(closed);
    }
    OpenBookmark& parent = openBookmarks_.isEmpty() ? outlineRoot_ : openBookmarks_.last();
    mark.parent = openBookmarks_.isEmpty() ? OutlinesObject : parent.object;
    if (parent.first == 0)
        parent.first = mark.object;
    parent.last = mark.object;
    ++parent.children;
    openBookmarks_.append(mark);
}

void PdfPageWriter::endPage() {
    endText();
    ++pagesWritten_;
    if (currentPage_ < 1 || currentPage_ > pageCount_)
        return; // a page the count did not announce: finish() says so
    const int page = currentPage_;
    QList<int> annotations;
    for (qsizetype i = 0; i < links_.size(); ++i)
        annotations.append(nextObject_++);

    beginObject(pageObject(page));
    QByteArray dictionary = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " +
                            number(pageSize_.width()) + ' ' + number(pageSize_.height()) +
                            "] /Resources << /Font <<";
    for (int f = 0; f < PageFontCount; ++f)
        dictionary += " /F" + QByteArray::number(f + 1) + ' ' +
                      QByteArray::number(FirstFontObject + f) + " 0 R";
    for (auto font = pageFonts_.constBegin(); font != pageFonts_.constEnd(); ++font)
        dictionary += " /" + font.key() + ' ' + QByteArray::number(font.value()) + " 0 R";
    dictionary += " >> >> /Contents " + QByteArray::number(pageObject(page) + 1) + " 0 R";
    if (!annotations.isEmpty()) {
        dictionary += " /Annots [";
        for (const int annotation : annotations)
            dictionary += QByteArray::number(annotation) + " 0 R ";
        dictionary += ']';
    }
    write(dictionary + " >>\nendobj\n");

    // zlib's stream is what qCompress returns after its four-byte length.
    const QByteArray packed = qCompress(content_, 6).mid(4);
    beginObject(pageObject(page) + 1);
    write("<< /Length " + QByteArray::number(packed.size()) + " /Filter /FlateDecode >>\nstream\n");
    write(packed);
    write("\nendstream\nendobj\n");

    for (qsizetype i = 0; i < links_.size(); ++i) {
        const QRectF& area = links_[i].area;
        beginObject(annotations[i]);
        write("<< /Type /Annot /Subtype /Link /Border [0 0 0] /Rect [" + number(area.left()) + ' ' +
              number(pageSize_.height() - area.bottom()) + ' ' + number(area.right()) + ' ' +
              number(pageSize_.height() - area.top()) + "] /Dest " +
              destination(links_[i].page, links_[i].y) + " >>\nendobj\n");
    }
    content_.clear();
    links_.clear();
    pageFonts_.clear();
}

bool PdfPageWriter::finish() {
    if (pagesWritten_ != pageCount_)
        throw UserError(QStringLiteral("The report was laid out as %1 pages, but %2 were written.")
                            .arg(QString::number(pageCount_), QString::number(pagesWritten_)));
    embedded_.writeAll(
        nextObject_, [this](int object) { beginObject(object); },
        [this](const QByteArray& bytes) { write(bytes); });
    writeOutlineRoot();
    writePageTree();
    writeInfo();
    beginObject(CatalogObject);
    write("<< /Type /Catalog /Pages 2 0 R /Outlines 8 0 R /PageMode /UseOutlines >>\nendobj\n");
    writeCrossReference();
    flush();
    return !failed_;
}

// Children closed, so the list opens as a list of units.
void PdfPageWriter::closeBookmark(const OpenBookmark& mark) {
    beginObject(mark.object);
    QByteArray item = "<< /Title " + textString(mark.title) + " /Parent " +
                      QByteArray::number(mark.parent) + " 0 R";
    if (mark.previous)
        item += " /Prev " + QByteArray::number(mark.previous) + " 0 R";
    if (mark.next)
        item += " /Next " + QByteArray::number(mark.next) + " 0 R";
    if (mark.children > 0)
        item += " /First " + QByteArray::number(mark.first) + " 0 R /Last " +
                QByteArray::number(mark.last) + " 0 R /Count -" + QByteArray::number(mark.children);
    write(item + " /Dest " + destination(mark.page, mark.y) + " >>\nendobj\n");
}

void PdfPageWriter::writeOutlineRoot() {
    while (!openBookmarks_.isEmpty())
        closeBookmark(openBookmarks_.takeLast());
    beginObject(OutlinesObject);
    QByteArray root = "<< /Type /Outlines";
    if (outlineRoot_.children > 0)
        root += " /First " + QByteArray::number(outlineRoot_.first) + " 0 R /Last " +
                QByteArray::number(outlineRoot_.last) + " 0 R /Count " +
                QByteArray::number(outlineRoot_.children);
    write(root + " >>\nendobj\n");
}

void PdfPageWriter::writePageTree() {
    beginObject(PagesObject);
    QByteArray pages = "<< /Type /Pages /Count " + QByteArray::number(pageCount_) + " /Kids [";
    for (int page = 1; page <= pageCount_; ++page)
        pages += QByteArray::number(pageObject(page)) + " 0 R" + (page % 16 == 0 ? "\n" : " ");
    write(pages + "] >>\nendobj\n");
}

void PdfPageWriter::writeInfo() {
    beginObject(InfoObject);
    QByteArray information = "<< /Title " + textString(info_.title);
    if (!info_.author.isEmpty())
        information += " /Author " + textString(info_.author);
    if (!info_.subject.isEmpty())
        information += " /Subject " + textString(info_.subject);
    information += " /Creator (Inkwright) /Producer (Inkwright)";
    if (info_.created.isValid())
        information += " /CreationDate " + pdfDate(info_.created);
    write(information + " >>\nendobj\n");
}

// Entry by entry: a table of millions of objects is tens of megabytes,
// more than the rest of the writer holds.
void PdfPageWriter::writeCrossReference() {
    const qint64 xref = offset_;
    write("xref\n0 " + QByteArray::number(offsets_.size()) + "\n0000000000 65535 f \n");
    for (qsizetype i = 1; i < offsets_.size(); ++i)
        write(QByteArray::number(offsets_[i]).rightJustified(10, '0') + " 00000 n \n");
    write("trailer\n<< /Size " + QByteArray::number(offsets_.size()) +
          " /Root 1 0 R /Info 3 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n");
}

} // namespace ink
