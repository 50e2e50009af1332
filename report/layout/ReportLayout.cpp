#include "ReportLayout.h"

#include <algorithm>
#include <limits>
#include <QElapsedTimer>

#include "FontShaper.h"
#include "PageSink.h"
#include "ReportSource.h"
#include "UnitView.h"

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
constexpr double MemberIndent = 12; // a type's members stand in from it
constexpr double ContentsLeading = 14;
constexpr double ContentsHeading = 34;

const QString NoDescription = QString::fromLatin1(NoDescriptionText);

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
    while (fits < text.size()) {
        qsizetype length = 1;
        const double w =
            metrics.charWidth(font, size, PageFontMetrics::codePointAt(text, fits, &length));
        if (used + w > width)
            break;
        used += w;
        fits += length;
    }
    return text.left(fits) + ellipsis;
}

// Which way the first letter of `text` runs: DirL, DirR, or DirON when it
// has none; a paragraph runs that way.
QChar::Direction firstStrongDirection(QStringView text) {
    for (qsizetype i = 0; i < text.size();) {
        qsizetype length = 1;
        switch (QChar::direction(PageFontMetrics::codePointAt(text, i, &length))) {
        case QChar::DirL:
            return QChar::DirL;
        case QChar::DirR:
        case QChar::DirAL:
            return QChar::DirR;
        default:
            break;
        }
        i += length;
    }
    return QChar::DirON;
}

// The width of each character of `paragraph` (at the first half of a
// surrogate pair), such that a word adds up to its width as drawn: letters
// that join or combine when shaped (Arabic, say) take less room together
// than alone, and a line is filled by what it will really take.
QList<double> characterWidths(QStringView paragraph, PageFont font, double size) {
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    QList<double> widths(paragraph.size(), 0.0);
    for (qsizetype i = 0; i < paragraph.size();) {
        qsizetype length = 1;
        widths[i] =
            metrics.charWidth(font, size, PageFontMetrics::codePointAt(paragraph, i, &length));
        i += length;
    }
    for (qsizetype start = 0; start < paragraph.size();) {
        qsizetype end = start;
        while (end < paragraph.size() && paragraph[end] != QChar(' '))
            ++end;
        const QStringView word = paragraph.sliced(start, end - start);
        if (FontShaper::shapingChangesWidth(word)) {
            double alone = 0;
            for (qsizetype i = start; i < end; ++i)
                alone += widths[i];
            double shaped = 0;
            for (const ShapedRun& run : FontShaper::instance().shape(font, word))
                shaped += run.width * size / 1000.0;
            if (alone > 0)
                for (qsizetype i = start; i < end; ++i)
                    widths[i] *= shaped / alone;
        }
        start = end + 1;
    }
    return widths;
}

} // namespace

struct ReportLayout::Block {
    QList<Line> lines;
    int keep = 1;              // lines that stand together at the block's top
    bool keepWithNext = false; // and with the next block's `keep` lines
    double spaceBefore = 0;
    int outlineLevel = -1;
    QString outlineTitle;
    // What the identifier index lists for the block; no name, nothing.
    QString indexName;
    QString indexOwner;
    bool isUnitType = false; // a type at unit level: what type names link to
    QString unlinkedName;    // a type's own name in its head links nowhere
    // A class, interface or object: one of the class hierarchy. The unit's
    // own declaration, valid while the unit is laid out.
    const ReportDeclaration* hierarchyClass = nullptr;
    // A thin rule above it, that sets a unit's classes apart from one another.
    bool ruleAbove = false;

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
        const QChar::Direction paragraphDirection = firstStrongDirection(paragraph);
        const QList<double> shapedWidths = FontShaper::shapingChangesWidth(paragraph)
                                               ? characterWidths(paragraph, font, size)
                                               : QList<double>();
        do {
            const double room = first ? width : width - hanging;
            double used = 0;
            qsizetype end = start;
            qsizetype lastBreak = -1; // a line may end after a blank
            qsizetype length = 1;     // of the character at `end`: a surrogate pair is one
            while (end < paragraph.size()) {
                const char32_t c = PageFontMetrics::codePointAt(paragraph, end, &length);
                const double w =
                    shapedWidths.isEmpty() ? metrics.charWidth(font, size, c) : shapedWidths[end];
                if (used + w > room && c != U' ')
                    break;
                used += w;
                if (c == U' ')
                    lastBreak = end + 1;
                end += length;
            }
            bool atBlank = false;
            if (end < paragraph.size()) {
                if (lastBreak > start) {
                    end = lastBreak;
                    atBlank = true;
                } else if (end == start) {
                    end = start + length; // not even one character fits: take it anyway
                }
            }
            QString piece = paragraph.mid(start, end - start).toString();
            while (piece.endsWith(QChar(' ')))
                piece.chop(1);
            // A line keeps the direction of its paragraph, though its own
            // first letter may run the other way: an invisible mark says so.
            if (!first && firstStrongDirection(piece) != paragraphDirection)
                piece.prepend(paragraphDirection == QChar::DirR ? QChar(RightToLeftMark)
                                                                : QChar(LeftToRightMark));
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
    : ReportLayout(source, Deferred::Counting, locale, made) {
    layOutAll();
}

ReportLayout::ReportLayout(ReportSource& source, Deferred, const QLocale& locale,
                           const QDateTime& made)
    : source_(source), locale_(locale), made_(made) {
    const int units = source_.unitCount();
    const int onFirst = int((Bottom - Top - ContentsHeading) / ContentsLeading);
    const int onOthers = int((Bottom - Top) / ContentsLeading);
    contentsPages_ = 1;
    if (units > onFirst)
        contentsPages_ += (units - onFirst + onOthers - 1) / onOthers;
    firstUnitPage_ = 2 + contentsPages_;
    beginCounting();
}

ReportLayout::Block ReportLayout::headingBlock(const QString& heading, int depth) {
    Block block;
    block.spaceBefore = depth == 0 ? 14 : 8;
    block.keepWithNext = true;
    const double x = Left + depth * MemberIndent;
    block.lines.append(single(heading, PageFont::Bold, depth == 0 ? 12 : 10, x,
                              depth == 0 ? 0 : 0.3, depth == 0 ? 18 : 14));
    return block;
}

void ReportLayout::appendDeclarationBlocks(QList<Block>& blocks, const UnitView::Entry& entry) {
    const ReportDeclaration& d = *entry.declaration;
    if (!d.heading.isEmpty())
        blocks.append(headingBlock(d.heading, d.depth));
    const double x = Left + d.depth * MemberIndent;
    const double width = Right - x;
    Block block;
    block.spaceBefore = d.isStructure() ? 12 : 8;
    block.outlineLevel = d.depth + 1;
    block.outlineTitle = d.name;
    block.indexName = d.name;
    block.indexOwner = d.owner;
    block.isUnitType = entry.isUnitLevelType();
    block.unlinkedName = entry.unlinkedName();
    if (entry.inHierarchy)
        block.hierarchyClass = &d;
    block.ruleAbove = d.depth == 0 && d.isStructure() && d.heading.isEmpty();
    if (d.isStructure()) {
        block.lines.append(single(d.name, PageFont::Bold, 11, x, 0, 16));
        block.lines.append(single(d.kindLine(), PageFont::Italic, 9, x, 0.35));
        block.lines.last().linksTypes = true;
    }
    for (Line line : wrap(d.declaration.simplified(), PageFont::Mono, MonoSize,
                          x + DeclarationIndent, width - DeclarationIndent, DeclarationHanging)) {
        line.linksTypes = true;
        block.lines.append(line);
    }
    QStringList facts;
    if (!d.visibility.isEmpty())
        facts.append(d.visibility);
    if (!d.location().isEmpty())
        facts.append(d.location());
    if (!facts.isEmpty())
        block.lines.append(single(facts.join(QStringLiteral("  \u00b7  ")), PageFont::Regular, 8,
                                  x + DeclarationIndent, 0.45));
    block.keep = int(block.lines.size()) + 1;
    const double textX = x + DescriptionIndent;
    const double textWidth = Right - textX;
    if (d.deprecated()) {
        const QString note = d.deprecationNote();
        block.lines += wrap(note.isEmpty() ? QStringLiteral("Deprecated.")
                                           : QStringLiteral("Deprecated: ") + note,
                            PageFont::Bold, 9, textX, textWidth, 0, 0.25);
    }
    if (d.leftTheSource)
        block.lines += wrap(QString::fromLatin1(LeftTheSourceNote), PageFont::Italic, 9, textX,
                            textWidth, 0, Quiet);
    if (!d.changedFrom.trimmed().isEmpty())
        block.lines += wrap(QStringLiteral("Signature changed: the description was written for ") +
                                d.changedFrom.simplified(),
                            PageFont::Italic, 9, textX, textWidth, 0, 0.25);
    if (d.described())
        block.lines += wrap(d.description, PageFont::Regular, BodySize, textX, textWidth);
    else
        block.lines.append(single(NoDescription, PageFont::Italic, 9, textX, Quiet));
    blocks.append(block);
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
    if (!unit.form.isEmpty())
        head.lines.append(
            single(QStringLiteral("Form: ") + unit.form, PageFont::Regular, BodySize, Left, 0.3));
    head.lines.append(single({}, PageFont::Regular, 4, Left)); // a little air
    if (unit.described())
        head.lines += wrap(unit.description, PageFont::Regular, BodySize, Left, width);
    else
        head.lines.append(single(NoDescription, PageFont::Italic, 9, Left, Quiet));
    head.keep = int(head.lines.size());
    blocks.append(head);

    const UnitView view(unit);
    for (const UnitView::Entry& entry : view.entries()) {
        if (entry.declaration) {
            appendDeclarationBlocks(blocks, entry);
            continue;
        }
        if (!entry.heading.isEmpty())
            blocks.append(headingBlock(entry.heading, entry.depth));
        const ReportRoutine& routine = *entry.routine;
        Block block;
        block.spaceBefore = 8;
        block.outlineLevel = 1;
        block.outlineTitle = routine.name;
        block.indexName = routine.name;
        block.lines = wrap(routineDeclaration(routine), PageFont::Mono, MonoSize,
                           Left + DeclarationIndent, width - DeclarationIndent, DeclarationHanging);
        block.keep = int(block.lines.size()) + 1;
        if (routine.described())
            block.lines += wrap(routine.description, PageFont::Regular, BodySize,
                                Left + DescriptionIndent, width - DescriptionIndent);
        else
            block.lines.append(
                single(NoDescription, PageFont::Italic, 9, Left + DescriptionIndent, Quiet));
        blocks.append(block);
    }
    const QString note = unit.closingNote();
    if (!note.isEmpty()) {
        Block none;
        none.spaceBefore = 8;
        // A path may be long: it wraps like any text.
        none.lines = wrap(note, PageFont::Italic, 9, Left + DeclarationIndent,
                          width - DeclarationIndent, 0, Quiet);
        if (!unit.placeholderDescription.isEmpty())
            none.lines += wrap(unit.placeholderDescription, PageFont::Regular, BodySize,
                               Left + DescriptionIndent, width - DescriptionIndent);
        blocks.append(none);
    }
    return blocks;
}

void ReportLayout::footer(int page, PageSink& sink) const {
    const QString text = complete_ ? QStringLiteral("Page %1 of %2")
                                         .arg(QString::number(page), QString::number(pageCount_))
                                   : QStringLiteral("Page %1").arg(page);
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

namespace {
constexpr double IndexHeading = 34;
constexpr double IndexLetter = 22;
} // namespace

// Names longer than an entry can say are cut: no Pascal identifier comes near.
void ReportLayout::addIndexEntry(const QString& name, const QString& owner, int unit, int page,
                                 double y) {
    IndexEntry entry;
    entry.unit = unit;
    entry.page = page;
    entry.y = float(y);
    entry.nameAt = quint32(indexText_.size());
    entry.nameLength = quint16(qMin<qsizetype>(name.size(), 0xFFFF));
    indexText_ += QStringView(name).left(entry.nameLength);
    // Members of one type follow each other: their owner is kept once.
    entry.ownerLength = quint16(qMin<qsizetype>(owner.size(), 0xFFFF));
    if (!indexEntries_.isEmpty() && indexOwner(indexEntries_.last()) == owner)
        entry.ownerAt = indexEntries_.last().ownerAt;
    else {
        entry.ownerAt = quint32(indexText_.size());
        indexText_ += QStringView(owner).left(entry.ownerLength);
    }
    indexEntries_.append(entry);
}

bool ReportLayout::startsLetter(int entry) const {
    if (entry == 0)
        return true;
    return indexLetter(indexName(indexEntries_[entry])) !=
           indexLetter(indexName(indexEntries_[entry - 1]));
}

namespace {
// How far the tree's levels stand in, and how deep it goes in before the
// names of a long chain would have no room left.
constexpr double HierarchyStep = 12;
constexpr int HierarchyDeepest = 16;
constexpr double HierarchyNote = 20; // the note under the title, and air below it
const QString HierarchyTitle = QStringLiteral("Class hierarchy");
} // namespace

// The tree's lines are all of one height, after the title and a note on
// its first page.
void ReportLayout::layOutHierarchy() {
    hierarchyLines_ = hierarchy_.lines();
    hierarchy_ = ClassHierarchy(); // the lines hold what the pages draw
    lastHierarchyPage_ = lastUnitPage_;
    if (hierarchyLines_.isEmpty())
        return;
    const int onFirst = int((Bottom - Top - IndexHeading - HierarchyNote) / ContentsLeading);
    const int onOthers = int((Bottom - Top) / ContentsLeading);
    int pages = 1;
    if (hierarchyLines_.size() > onFirst)
        pages += int((hierarchyLines_.size() - onFirst + onOthers - 1) / onOthers);
    lastHierarchyPage_ = lastUnitPage_ + pages;
    pageCount_ = lastHierarchyPage_;
}

void ReportLayout::renderHierarchy(int page, PageSink& sink) {
    const int index = page - lastUnitPage_ - 1;
    const int onFirst = int((Bottom - Top - IndexHeading - HierarchyNote) / ContentsLeading);
    const int onOthers = int((Bottom - Top) / ContentsLeading);
    const int first = index == 0 ? 0 : onFirst + (index - 1) * onOthers;
    const int end = qMin(int(hierarchyLines_.size()), first + (index == 0 ? onFirst : onOthers));
    if (index < 0 || first >= end)
        return;
    sink.beginPage(page);
    header(source_.document().name, HierarchyTitle, sink);
    double y = Top;
    if (index == 0) {
        sink.outline(0, HierarchyTitle, page, y);
        draw(sink, single(HierarchyTitle, PageFont::Bold, 18, Left, 0, IndexHeading), y);
        y += IndexHeading;
        draw(sink,
             single(QStringLiteral("Ancestors this document does not declare are named in "
                                   "italics, without a page."),
                    PageFont::Regular, 9, Left, Quiet, ContentsLeading),
             y);
        y += HierarchyNote;
    }
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    for (int i = first; i < end; ++i) {
        const ClassHierarchy::Line& entry = hierarchyLines_[i];
        const double x = Left + 6 + qMin(entry.depth, HierarchyDeepest) * HierarchyStep;
        if (entry.entry < 0) {
            draw(sink,
                 single(elided(entry.name, PageFont::Italic, 10, Right - x), PageFont::Italic, 10,
                        x, 0.3, ContentsLeading),
                 y);
            y += ContentsLeading;
            continue;
        }
        const Place target = hierarchyPlaces_.value(entry.entry);
        const QString number = QString::number(target.page);
        const double numberWidth = metrics.width(PageFont::Regular, 10, number);
        const double room = Right - x - numberWidth - 12;
        const QString name = elided(entry.name, PageFont::Regular, 10, room * 0.7);
        const double nameWidth = metrics.width(PageFont::Regular, 10, name);
        const QString where = entry.kind == QLatin1String("class")
                                  ? entry.unitName
                                  : entry.kind + QStringLiteral(", ") + entry.unitName;
        const Line line = single(name, PageFont::Regular, 10, x, 0, ContentsLeading);
        draw(sink, line, y);
        const double at = baseline(y, line);
        sink.text(PageFont::Regular, 9, {x + nameWidth + 8, at},
                  elided(where, PageFont::Regular, 9, room - nameWidth - 8), 0.45);
        sink.text(PageFont::Regular, 10, {Right - numberWidth, at}, number, 0);
        sink.link(QRectF(x, y, Right - x, ContentsLeading), target.page, target.y);
        y += ContentsLeading;
    }
    footer(page, sink);
    sink.endPage();
}

// The index is sorted as a reader looks a name up: without regard to case,
// then by owner and unit. Its lines are of two heights (a letter's heading,
// an entry), so each page takes entries until the next would not fit.
void ReportLayout::layOutIndex() {
    indexPageStarts_.clear();
    if (indexEntries_.isEmpty())
        return;
    indexEntries_.squeeze();
    indexText_.squeeze();
    std::stable_sort(indexEntries_.begin(), indexEntries_.end(),
                     [this](const IndexEntry& a, const IndexEntry& b) {
                         return indexesBefore(indexName(a), indexOwner(a), unitNames_.value(a.unit),
                                              indexName(b), indexOwner(b),
                                              unitNames_.value(b.unit));
                     });
    double y = Top + IndexHeading;
    indexPageStarts_.append(0);
    for (int i = 0; i < indexEntries_.size(); ++i) {
        const double need = (startsLetter(i) ? IndexLetter : 0) + ContentsLeading;
        if (y + need > Bottom) {
            indexPageStarts_.append(i);
            y = Top;
        }
        y += need;
    }
    pageCount_ = lastHierarchyPage_ + int(indexPageStarts_.size());
}

void ReportLayout::renderIndex(int page, PageSink& sink) {
    const int index = page - lastHierarchyPage_ - 1;
    if (index < 0 || index >= indexPageStarts_.size())
        return;
    const int first = indexPageStarts_[index];
    const int end = index + 1 < indexPageStarts_.size() ? indexPageStarts_[index + 1]
                                                        : int(indexEntries_.size());
    const QString title = QStringLiteral("Identifier index");
    sink.beginPage(page);
    header(source_.document().name, title, sink);
    double y = Top;
    if (index == 0) {
        sink.outline(0, title, page, y);
        draw(sink, single(title, PageFont::Bold, 18, Left, 0, IndexHeading), y);
        y += IndexHeading;
    }
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    for (int i = first; i < end; ++i) {
        const IndexEntry& entry = indexEntries_[i];
        const QString entryName = indexName(entry).toString();
        if (startsLetter(i)) {
            const Line heading =
                single(entryName.isEmpty() ? QString() : QString(indexLetter(entryName)),
                       PageFont::Bold, 12, Left, 0, IndexLetter);
            draw(sink, heading, y);
            y += IndexLetter;
        }
        const QString number = QString::number(entry.page);
        const double numberWidth = metrics.width(PageFont::Regular, 10, number);
        const double room = TextWidth - numberWidth - 30;
        const QString name = elided(entryName, PageFont::Regular, 10, room * 0.6);
        const double nameWidth = metrics.width(PageFont::Regular, 10, name);
        const QString unitName = unitNames_.value(entry.unit);
        const QString where = entry.ownerLength == 0
                                  ? unitName
                                  : indexOwner(entry).toString() + QStringLiteral(", ") + unitName;
        const QString whereText = elided(where, PageFont::Regular, 9, room - nameWidth - 10);
        const Line line = single(name, PageFont::Regular, 10, Left + 6, 0, ContentsLeading);
        draw(sink, line, y);
        const double at = baseline(y, line);
        sink.text(PageFont::Regular, 9, {Left + 6 + nameWidth + 8, at}, whereText, 0.45);
        sink.text(PageFont::Regular, 10, {Right - numberWidth, at}, number, 0);
        sink.link(QRectF(Left, y, TextWidth, ContentsLeading), entry.page, entry.y);
        y += ContentsLeading;
    }
    footer(page, sink);
    sink.endPage();
}

// A link over each name of a type of the document in a declaration's line,
// but over the type's own name in its head.
void ReportLayout::linkTypes(const Line& line, double top, const QString& self,
                             PageSink& sink) const {
    if (typePlaces_.isEmpty())
        return;
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    for (const auto& [start, length] : identifiersIn(line.text)) {
        const QString name = line.text.mid(start, length);
        if (name.compare(self, Qt::CaseInsensitive) == 0)
            continue;
        const auto target = typePlaces_.constFind(name.toCaseFolded());
        if (target == typePlaces_.constEnd())
            continue;
        const double x = line.x + metrics.width(line.font, line.size, line.text.left(start));
        const double w = metrics.width(line.font, line.size, name);
        sink.link(QRectF(x, top, w, line.height), target->page, target->y);
    }
}

void ReportLayout::render(int first, int last, PageSink& sink) {
    first = qMax(first, 1);
    last = qMin(last, pageCount());
    for (int page = first; page <= last && page < firstUnitPage_; ++page) {
        if (page == 1)
            renderTitle(sink);
        else
            renderContents(page, sink);
    }
    const int lastUnitPage = complete_ ? lastUnitPage_ : pageCount();
    if (last >= firstUnitPage_ && first <= lastUnitPage)
        renderUnits(qMax(first, firstUnitPage_), qMin(last, lastUnitPage), sink);
    if (!complete_)
        return;
    for (int page = qMax(first, lastUnitPage_ + 1); page <= last && page <= lastHierarchyPage_;
         ++page)
        renderHierarchy(page, sink);
    for (int page = qMax(first, lastHierarchyPage_ + 1); page <= last; ++page)
        renderIndex(page, sink);
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
    auto row = [&](const ReportFact& fact) {
        const QList<Line> lines = wrap(fact.value, PageFont::Regular, 10, ValueX, Right - ValueX);
        draw(sink, single(fact.caption, PageFont::Bold, 10, Left, 0.25), y);
        for (const Line& line : lines) {
            draw(sink, line, y);
            y += line.height;
        }
        y += 3;
    };
    for (const ReportFact& fact : titleFacts(document, locale_, made_))
        row(fact);

    if (document.includeVersionInfo) {
        y += 18;
        draw(sink, single(QStringLiteral("Version information"), PageFont::Bold, 13, Left, 0, 20),
             y);
        y += 24;
        const QList<ReportFact> facts = versionFacts(document);
        for (const ReportFact& fact : facts)
            row(fact);
        if (facts.isEmpty())
            draw(sink,
                 single(QString::fromLatin1(NoVersionInfoText), PageFont::Italic, 9, Left, Quiet),
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
            draw(sink, single(QString::fromLatin1(NoUnitsText), PageFont::Italic, 10, Left, Quiet),
                 y);
    }
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    const QStringList names = source_.unitNames(firstEntry, entries);
    for (int i = 0; i < names.size(); ++i) {
        // A unit not laid out yet has no page to give.
        if (firstEntry + i >= unitStarts_.size()) {
            draw(sink,
                 single(elided(names[i], PageFont::Regular, 10, TextWidth - 30), PageFont::Regular,
                        10, Left, 0, ContentsLeading),
                 y);
            y += ContentsLeading;
            continue;
        }
        const Place target = unitStart(firstEntry + i);
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

// The pages of the units as they fill: where the text stands, and when a
// page ends. Measuring (no sink) records where each page and unit begins;
// drawing stops once the last page asked for is done.
class ReportLayout::Paginator {
public:
    Paginator(ReportLayout& layout, PageSink* sink, int page, int last)
        : layout_(layout), sink_(sink), page_(page), last_(last) {}

    // Lays out `unit` from `start` (its first block and line when it is not
    // the unit a run resumes in); false once the last page is done.
    bool place(int position, const ReportUnit& unit, const Cursor& start) {
        const QList<Block> blocks = layout_.blocksOf(unit);
        unitName_ = unit.name;
        if (!begun_) {
            begun_ = true;
            beginPage();
        }
        for (int b = start.block; b < blocks.size(); ++b) {
            const Block& block = blocks[b];
            const int firstLine = b == start.block ? start.line : 0;
            if (firstLine == 0 && !placeBlockTop(position, blocks, b))
                return false;
            for (int l = firstLine; l < block.lines.size(); ++l) {
                const Line& line = block.lines[l];
                if (y_ > Top && y_ + line.height > Bottom && !newPage({position, b, l}))
                    return false;
                if (sink_) {
                    draw(*sink_, line, y_);
                    if (line.linksTypes)
                        layout_.linkTypes(line, y_, block.unlinkedName, *sink_);
                }
                y_ += line.height;
            }
        }
        return true;
    }

    // Closes the page drawn last; the page count when measuring.
    int finish() {
        if (!stop_ && begun_ && sink_) {
            layout_.footer(page_, *sink_);
            sink_->endPage();
        }
        return page_;
    }

private:
    // A heading or a declaration never stands alone at a page's foot.
    bool placeBlockTop(int position, const QList<Block>& blocks, int b) {
        const Block& block = blocks[b];
        double need = block.keepHeight();
        if (block.keepWithNext && b + 1 < blocks.size())
            need += blocks[b + 1].spaceBefore + blocks[b + 1].keepHeight();
        if (y_ > Top && y_ + block.spaceBefore + need > Bottom && !newPage({position, b, 0}))
            return false;
        if (y_ > Top) {
            if (sink_ && block.ruleAbove) {
                const double at = y_ + block.spaceBefore / 2;
                sink_->rule({Left, at}, {Right, at}, 0.5, 0.8);
            }
            y_ += block.spaceBefore;
        }
        if (!sink_ && b == 0) {
            layout_.unitStarts_.append({page_, y_});
            layout_.unitNames_.append(unitName_);
        }
        if (!sink_ && block.isUnitType &&
            !layout_.typePlaces_.contains(block.indexName.toCaseFolded()))
            layout_.typePlaces_.insert(block.indexName.toCaseFolded(), {page_, y_});
        if (!sink_ && block.hierarchyClass) {
            layout_.hierarchy_.add(*block.hierarchyClass, position, unitName_);
            layout_.hierarchyPlaces_.append({page_, y_});
        }
        if (!sink_ && !block.indexName.isEmpty())
            layout_.addIndexEntry(block.indexName, block.indexOwner, position, page_, y_);
        if (sink_ && block.outlineLevel >= 0)
            sink_->outline(block.outlineLevel, block.outlineTitle, page_, y_);
        return true;
    }

    void beginPage() {
        if (!sink_)
            return;
        sink_->beginPage(page_);
        header(layout_.source_.document().name, unitName_, *sink_);
    }

    bool newPage(const Cursor& at) {
        if (sink_) {
            layout_.footer(page_, *sink_);
            sink_->endPage();
        }
        ++page_;
        y_ = Top;
        if (!sink_)
            layout_.pageStarts_.append(at);
        else if (page_ > last_) {
            stop_ = true;
            return false;
        }
        beginPage();
        return true;
    }

    ReportLayout& layout_;
    PageSink* sink_;
    int page_;
    int last_;
    double y_ = Top;
    bool begun_ = false;
    bool stop_ = false;
    QString unitName_;
};

ReportLayout::~ReportLayout() = default;

int ReportLayout::pageCount() const {
    if (complete_)
        return pageCount_;
    // The page being filled counts: drawing it lays it out to its end.
    return firstUnitPage_ - 1 + (unitStarts_.isEmpty() ? 0 : int(pageStarts_.size()));
}

bool ReportLayout::layOutMore(int milliseconds) {
    if (complete_)
        return true;
    QElapsedTimer slice;
    slice.start();
    bool stopped = false;
    source_.readUnits(nextUnit_, [&](int position, const ReportUnit& unit) {
        counting_->place(position, unit, {position, 0, 0});
        nextUnit_ = position + 1;
        stopped = slice.elapsed() >= milliseconds;
        return !stopped;
    });
    if (!stopped)
        finishCounting();
    return complete_;
}

void ReportLayout::layOutAll() {
    while (!layOutMore(std::numeric_limits<int>::max())) {
    }
}

void ReportLayout::beginCounting() {
    complete_ = false;
    nextUnit_ = 0;
    pageStarts_ = {Cursor{}};
    unitStarts_.clear();
    unitNames_.clear();
    indexEntries_.clear();
    indexText_.clear();
    typePlaces_.clear();
    indexPageStarts_.clear();
    hierarchy_ = ClassHierarchy();
    hierarchyPlaces_.clear();
    hierarchyLines_.clear();
    lastHierarchyPage_ = 0;
    counting_ = std::make_unique<Paginator>(*this, nullptr, firstUnitPage_, -1);
}

void ReportLayout::finishCounting() {
    pageCount_ = unitStarts_.isEmpty() ? firstUnitPage_ - 1 : counting_->finish();
    counting_.reset();
    lastUnitPage_ = pageCount_;
    layOutHierarchy();
    layOutIndex();
    complete_ = true;
}

void ReportLayout::renderUnits(int first, int last, PageSink& sink) {
    const int index = first - firstUnitPage_;
    if (index < 0 || index >= pageStarts_.size())
        return;
    const Cursor start = pageStarts_[index];
    Paginator pages(*this, &sink, first, last);
    source_.readUnits(start.unit, [&](int position, const ReportUnit& unit) {
        return pages.place(position, unit, position == start.unit ? start : Cursor{position, 0, 0});
    });
    pages.finish();
}

} // namespace ink
