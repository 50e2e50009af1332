// The pages that close the report: the class hierarchy and the identifier
// index; and the links from type names to where the types stand.
#include <algorithm>

#include "ReportLayoutParts.h"
#include "ReportSource.h"
#include "UnitView.h"

namespace ink {

using namespace layout;

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
    pageHeader(source_.document().name, HierarchyTitle, sink);
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
    pageHeader(source_.document().name, title, sink);
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

} // namespace ink
