#include "ReportLayout.h"

#include "PageSink.h"
#include "ReportHtml.h"
#include "ReportSource.h"

namespace ink {

namespace {

// A4 in points, and the frame of the text on it.
constexpr double PageWidth = 595.276;
constexpr double PageHeight = 841.89;
constexpr double Left = 62;
constexpr double Right = PageWidth - 56;
constexpr double TextWidth = Right - Left;
constexpr double Top = 74;
constexpr double Bottom = PageHeight - 62;

constexpr double BodySize = 9.5;
constexpr double BodyLeading = 12.5;
constexpr double MonoSize = 8.5;
constexpr double MonoLeading = 11;
constexpr double Quiet = 0.45; // the grey of "No description." and the like

constexpr double DeclarationIndent = 6;
constexpr double DeclarationHanging = 30; // continuation lines of a long declaration
constexpr double DescriptionIndent = 24;
constexpr double ContentsLeading = 14;
constexpr double ContentsHeading = 34;

const QString NoDescription = QStringLiteral("No description.");

double lineHeightFor(PageFont font, double size) {
    if (font == PageFont::Mono)
        return size * MonoLeading / MonoSize;
    return size * BodyLeading / BodySize;
}

double baseline(double top, const ReportLayout::Line& line) {
    return top + (line.height + line.size * 0.62) / 2;
}

void draw(PageSink& sink, const ReportLayout::Line& line, double top) {
    if (!line.text.isEmpty())
        sink.text(line.font, line.size, {line.x, baseline(top, line)}, line.text, line.grey);
}

ReportLayout::Line single(const QString& text, PageFont font, double size, double x,
                          double grey = 0, double height = 0) {
    return {font, size, x, height > 0 ? height : lineHeightFor(font, size), text, grey};
}

// The longest start of `text` that fits `width`, with an ellipsis when cut.
QString elided(const QString& text, PageFont font, double size, double width) {
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    if (metrics.width(font, size, text) <= width)
        return text;
    const QString ellipsis = QString(QChar(0x2026));
    double used = metrics.width(font, size, ellipsis);
    qsizetype fits = 0;
    while (fits < text.size() && used + metrics.charWidth(font, size, text[fits]) <= width)
        used += metrics.charWidth(font, size, text[fits++]);
    return text.left(fits) + ellipsis;
}

bool hasValue(const QString& text) {
    return !text.trimmed().isEmpty();
}

} // namespace

struct ReportLayout::Block {
    QList<Line> lines;
    int keep = 1;              // lines that stand together at the block's top
    bool keepWithNext = false; // and with the next block's `keep` lines
    double spaceBefore = 0;
    int outlineLevel = -1;
    QString outlineTitle;

    double keepHeight() const {
        double height = 0;
        for (int i = 0; i < keep && i < lines.size(); ++i)
            height += lines[i].height;
        return height;
    }
};

QSizeF ReportLayout::pageSize() {
    return {PageWidth, PageHeight};
}

QList<ReportLayout::Line> ReportLayout::wrap(const QString& text, PageFont font, double size,
                                             double x, double width, double hanging, double grey) {
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    const double height = lineHeightFor(font, size);
    QList<Line> lines;
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.replace(QChar('\r'), QChar('\n'));
    plain.replace(QChar('\t'), QStringLiteral("    "));
    for (const QStringView paragraph : QStringView(plain).split(QChar('\n'))) {
        qsizetype start = 0;
        bool first = true;
        do {
            const double room = first ? width : width - hanging;
            double used = 0;
            qsizetype end = start;
            qsizetype lastBreak = -1; // a line may end after a blank
            while (end < paragraph.size()) {
                const double w = metrics.charWidth(font, size, paragraph[end]);
                if (used + w > room && paragraph[end] != QChar(' '))
                    break;
                used += w;
                if (paragraph[end] == QChar(' '))
                    lastBreak = end + 1;
                ++end;
            }
            bool atBlank = false;
            if (end < paragraph.size()) {
                if (lastBreak > start) {
                    end = lastBreak;
                    atBlank = true;
                } else if (end == start) {
                    end = start + 1; // not even one character fits: take it anyway
                }
            }
            QString piece = paragraph.mid(start, end - start).toString();
            while (piece.endsWith(QChar(' ')))
                piece.chop(1);
            lines.append({font, size, first ? x : x + hanging, height, piece, grey});
            start = end;
            // Blanks at a break belong to neither line.
            while (atBlank && start < paragraph.size() && paragraph[start] == QChar(' '))
                ++start;
            first = false;
        } while (start < paragraph.size());
    }
    return lines;
}

ReportLayout::ReportLayout(ReportSource& source, const QLocale& locale, const QDateTime& made)
    : source_(source), locale_(locale), made_(made) {
    const int units = source_.unitCount();
    const int onFirst = int((Bottom - Top - ContentsHeading) / ContentsLeading);
    const int onOthers = int((Bottom - Top) / ContentsLeading);
    contentsPages_ = 1;
    if (units > onFirst)
        contentsPages_ += (units - onFirst + onOthers - 1) / onOthers;
    firstUnitPage_ = 2 + contentsPages_;
    pageCount_ = firstUnitPage_ - 1;
    if (units > 0)
        renderUnits(firstUnitPage_, -1, nullptr);
}

QList<ReportLayout::Block> ReportLayout::blocksOf(const ReportUnit& unit) const {
    const double width = TextWidth;
    QList<Block> blocks;

    Block head;
    head.spaceBefore = 20;
    head.outlineLevel = 0;
    head.outlineTitle = unit.name;
    head.keepWithNext = true;
    head.lines.append(single(unit.name, PageFont::Bold, 14, Left, 0, 22));
    if (hasValue(unit.form) && unit.form != QLatin1String("N/A"))
        head.lines.append(
            single(QStringLiteral("Form: ") + unit.form, PageFont::Regular, BodySize, Left, 0.3));
    head.lines.append(single({}, PageFont::Regular, 4, Left)); // a little air
    if (hasValue(unit.description))
        head.lines += wrap(unit.description, PageFont::Regular, BodySize, Left, width);
    else
        head.lines.append(single(NoDescription, PageFont::Italic, 9, Left, Quiet));
    head.keep = int(head.lines.size());
    blocks.append(head);

    QString placeholderDescription;
    for (const ReportRoutine& routine : unit.routines) {
        if (isPlaceholderRoutine(routine)) {
            placeholderDescription = routine.description;
            continue;
        }
        Block block;
        block.spaceBefore = 8;
        block.outlineLevel = 1;
        block.outlineTitle = routine.name;
        block.lines = wrap(routineDeclaration(routine), PageFont::Mono, MonoSize,
                           Left + DeclarationIndent, width - DeclarationIndent, DeclarationHanging);
        block.keep = int(block.lines.size()) + 1;
        if (hasValue(routine.description))
            block.lines += wrap(routine.description, PageFont::Regular, BodySize,
                                Left + DescriptionIndent, width - DescriptionIndent);
        else
            block.lines.append(
                single(NoDescription, PageFont::Italic, 9, Left + DescriptionIndent, Quiet));
        blocks.append(block);
    }
    const bool showsRoutines = blocks.size() > 1;
    const QString note = unitClosingNote(unit, showsRoutines);
    if (!note.isEmpty()) {
        Block none;
        none.spaceBefore = 8;
        // A path may be long: it wraps like any text.
        none.lines = wrap(note, PageFont::Italic, 9, Left + DeclarationIndent,
                          width - DeclarationIndent, 0, Quiet);
        if (!showsRoutines && hasValue(placeholderDescription))
            none.lines += wrap(placeholderDescription, PageFont::Regular, BodySize,
                               Left + DescriptionIndent, width - DescriptionIndent);
        blocks.append(none);
    }
    return blocks;
}

void ReportLayout::footer(int page, PageSink& sink) const {
    const QString text =
        QStringLiteral("Page %1 of %2").arg(QString::number(page), QString::number(pageCount_));
    const double width = PageFontMetrics::instance().width(PageFont::Regular, 8, text);
    sink.text(PageFont::Regular, 8, {(PageWidth - width) / 2, PageHeight - 34}, text, 0.35);
}

namespace {

void header(const QString& documentName, const QString& section, PageSink& sink) {
    const double size = 8;
    const double sectionWidth = PageFontMetrics::instance().width(PageFont::Regular, size, section);
    const QString name =
        elided(documentName, PageFont::Regular, size, TextWidth - sectionWidth - 24);
    sink.text(PageFont::Regular, size, {Left, 44}, name, 0.35);
    sink.text(PageFont::Bold, size, {Right - sectionWidth, 44}, section, 0.35);
    sink.rule({Left, 50}, {Right, 50}, 0.5, 0.6);
}

} // namespace

void ReportLayout::render(int first, int last, PageSink& sink) {
    first = qMax(first, 1);
    last = qMin(last, pageCount_);
    for (int page = first; page <= last && page < firstUnitPage_; ++page) {
        if (page == 1)
            renderTitle(sink);
        else
            renderContents(page, sink);
    }
    if (last >= firstUnitPage_)
        renderUnits(qMax(first, firstUnitPage_), last, &sink);
}

void ReportLayout::renderTitle(PageSink& sink) {
    const ReportDocument& document = source_.document();
    sink.beginPage(1);
    double y = 170;
    for (const Line& line : wrap(document.name, PageFont::Bold, 24, Left, TextWidth)) {
        Line tall = line;
        tall.height = 30;
        draw(sink, tall, y);
        y += tall.height;
    }
    draw(sink, single(QStringLiteral("Reference documentation"), PageFont::Regular, 12, Left, 0.35),
         y);
    y += 26;
    sink.rule({Left, y}, {Right, y}, 0.75, 0.5);
    y += 14;

    constexpr double ValueX = Left + 120;
    auto row = [&](const QString& caption, const QString& value) {
        if (!hasValue(value))
            return;
        const QList<Line> lines = wrap(value, PageFont::Regular, 10, ValueX, Right - ValueX);
        draw(sink, single(caption, PageFont::Bold, 10, Left, 0.25), y);
        for (const Line& line : lines) {
            draw(sink, line, y);
            y += line.height;
        }
        y += 3;
    };
    row(QStringLiteral("Author"), document.author);
    row(QStringLiteral("Company"), document.company);
    row(QStringLiteral("Project file"), document.projectFile);
    row(QStringLiteral("Modified"), reportDateText(document.modified, locale_));
    row(QStringLiteral("Size"),
        document.sizeKb ? reportSizeText(*document.sizeKb, locale_) : QString());
    row(QStringLiteral("Units"), locale_.toString(source_.unitCount()));
    row(QStringLiteral("Routines"), locale_.toString(source_.routineCount()));
    row(QStringLiteral("Left the source"),
        leftTheSourceText(source_.missingUnits(), source_.missingRoutines(), locale_));
    row(QStringLiteral("Report made"), reportDateText(made_, locale_));

    if (document.includeVersionInfo) {
        y += 18;
        draw(sink, single(QStringLiteral("Version information"), PageFont::Bold, 13, Left, 0, 20),
             y);
        y += 24;
        bool any = false;
        for (int i = 0; i < int(VersionFields.size()); ++i) {
            const QString value = document.versionValues.value(i);
            any = any || hasValue(value);
            row(QString::fromLatin1(VersionFields[i].caption), value);
        }
        if (!any)
            draw(sink,
                 single(QStringLiteral("No version information was found for this document."),
                        PageFont::Italic, 9, Left, Quiet),
                 y);
    }
    footer(1, sink);
    sink.endPage();
}

void ReportLayout::renderContents(int page, PageSink& sink) {
    const int onFirst = int((Bottom - Top - ContentsHeading) / ContentsLeading);
    const int onOthers = int((Bottom - Top) / ContentsLeading);
    const int index = page - 2;
    const int firstEntry = index == 0 ? 0 : onFirst + (index - 1) * onOthers;
    const int entries = index == 0 ? onFirst : onOthers;

    sink.beginPage(page);
    header(source_.document().name, QStringLiteral("Contents"), sink);
    double y = Top;
    if (index == 0) {
        draw(sink, single(QStringLiteral("Contents"), PageFont::Bold, 18, Left, 0, ContentsHeading),
             y);
        y += ContentsHeading;
        if (source_.unitCount() == 0)
            draw(sink,
                 single(QStringLiteral("This document has no units."), PageFont::Italic, 10, Left,
                        Quiet),
                 y);
    }
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    const QStringList names = source_.unitNames(firstEntry, entries);
    for (int i = 0; i < names.size(); ++i) {
        const Place target = unitStarts_.value(firstEntry + i);
        const QString number = QString::number(target.page);
        const double numberWidth = metrics.width(PageFont::Regular, 10, number);
        const QString name = elided(names[i], PageFont::Regular, 10, TextWidth - numberWidth - 30);
        const Line line = single(name, PageFont::Regular, 10, Left, 0, ContentsLeading);
        draw(sink, line, y);
        // Dot leaders from the name to the number.
        const double from = Left + metrics.width(PageFont::Regular, 10, name) + 6;
        const double to = Right - numberWidth - 6;
        const double dot = metrics.width(PageFont::Regular, 10, QStringLiteral(". "));
        if (to > from + dot)
            sink.text(PageFont::Regular, 10, {to - dot * int((to - from) / dot), baseline(y, line)},
                      QStringLiteral(". ").repeated(int((to - from) / dot)), 0.6);
        sink.text(PageFont::Regular, 10, {Right - numberWidth, baseline(y, line)}, number, 0);
        sink.link(QRectF(Left, y, TextWidth, ContentsLeading), target.page, target.y);
        y += ContentsLeading;
    }
    footer(page, sink);
    sink.endPage();
}

void ReportLayout::renderUnits(int first, int last, PageSink* sink) {
    const bool measuring = sink == nullptr;
    Cursor start;
    int page = firstUnitPage_;
    if (measuring) {
        pageStarts_ = {start};
        unitStarts_.clear();
    } else {
        const int index = first - firstUnitPage_;
        if (index < 0 || index >= pageStarts_.size())
            return;
        start = pageStarts_[index];
        page = first;
    }
    const QString documentName = source_.document().name;
    double y = Top;
    bool begun = false;
    bool stop = false;
    QString unitName;

    auto beginPage = [&] {
        if (!sink)
            return;
        sink->beginPage(page);
        header(documentName, unitName, *sink);
    };
    auto newPage = [&](Cursor at) {
        if (sink) {
            footer(page, *sink);
            sink->endPage();
        }
        ++page;
        y = Top;
        if (measuring)
            pageStarts_.append(at);
        else if (page > last) {
            stop = true;
            return;
        }
        beginPage();
    };

    source_.readUnits(start.unit, [&](int position, const ReportUnit& unit) {
        const QList<Block> blocks = blocksOf(unit);
        unitName = unit.name;
        if (!begun) {
            begun = true;
            beginPage();
        }
        const bool resuming = position == start.unit;
        for (int b = resuming ? start.block : 0; b < blocks.size(); ++b) {
            const Block& block = blocks[b];
            const int firstLine = resuming && b == start.block ? start.line : 0;
            if (firstLine == 0) {
                // A heading or a declaration never stands alone at a page's foot.
                double need = block.keepHeight();
                if (block.keepWithNext && b + 1 < blocks.size())
                    need += blocks[b + 1].spaceBefore + blocks[b + 1].keepHeight();
                if (y > Top && y + block.spaceBefore + need > Bottom) {
                    newPage({position, b, 0});
                    if (stop)
                        return false;
                }
                if (y > Top)
                    y += block.spaceBefore;
                if (measuring && b == 0)
                    unitStarts_.append({page, y});
                if (sink && block.outlineLevel >= 0)
                    sink->outline(block.outlineLevel, block.outlineTitle, page, y);
            }
            for (int l = firstLine; l < block.lines.size(); ++l) {
                const Line& line = block.lines[l];
                if (y > Top && y + line.height > Bottom) {
                    newPage({position, b, l});
                    if (stop)
                        return false;
                }
                if (sink)
                    draw(*sink, line, y);
                y += line.height;
            }
        }
        return true;
    });
    if (!stop && begun && sink) {
        footer(page, *sink);
        sink->endPage();
    }
    if (measuring)
        pageCount_ = page;
}

} // namespace ink
