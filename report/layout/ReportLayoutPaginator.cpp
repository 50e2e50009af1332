// The units' pages: counted once, a slice at a time, then drawn again from
// where any page begins.
#include <limits>
#include <QElapsedTimer>

#include "ReportLayoutParts.h"
#include "ReportSource.h"

namespace ink {

using namespace layout;

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
        pageHeader(layout_.source_.document().name, unitName_, *sink_);
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
