#pragma once
#include <memory>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "ClassHierarchy.h"
#include "PageFonts.h"
#include "ReportMoment.h"
#include "UnitView.h"

namespace ink {

class PageSink;
class ReportSource;
struct ReportDeclaration;
struct ReportUnit;

// The report of one document as pages: a title page, the contents, then
// every unit with its routines. It is laid out page by page straight from
// the store: one pass counts the pages and remembers where each begins (a
// few numbers a page), and any page or run of pages is then drawn again
// from there, so neither the text nor the laid-out pages are ever held
// whole. The same layout feeds the preview, the printer and the PDF.
class ReportLayout {
public:
    // Counts the pages; `source` must have its document open and outlive
    // the layout. `made` is the moment the title page gives for the report.
    explicit ReportLayout(ReportSource& source, const QLocale& locale = QLocale(),
                          const QDateTime& made = reportMadeMoment());
    // Counts none yet: the preview shows the first pages at once and lays
    // out the rest a slice at a time (layOutMore) while the user reads.
    enum class Deferred { Counting };
    ReportLayout(ReportSource& source, Deferred, const QLocale& locale = QLocale(),
                 const QDateTime& made = reportMadeMoment());
    ~ReportLayout();
    ReportLayout(const ReportLayout&) = delete;
    ReportLayout& operator=(const ReportLayout&) = delete;

    // Whether every page is laid out. Until then pageCount() counts the
    // pages laid out so far, a page's footer gives no total, the contents
    // number only the units already placed, and the identifier index is not
    // there yet; every page is drawn as it will stand once all are laid out
    // but for those.
    bool isComplete() const { return complete_; }
    // Lays out further units for about `milliseconds` (one unit at least);
    // true once the report is complete.
    bool layOutMore(int milliseconds);
    void layOutAll();
    // Of the document's units, how many are laid out.
    int unitsLaidOut() const { return nextUnit_; }

    static QSizeF pageSize(); // A4, in points

    int pageCount() const;
    // Where unit `position` (from 0) begins: the contents link there.
    struct Place {
        int page = 0;
        double y = 0;
    };
    Place unitStart(int position) const { return unitStarts_.value(position); }
    // The first page of the class hierarchy that follows the units; 0 when
    // the report shows no class, interface or object.
    int hierarchyStart() const {
        return !complete_ || hierarchyLines_.isEmpty() ? 0 : lastUnitPage_ + 1;
    }
    // The first page of the identifier index that closes the report; 0
    // when the report names no declaration.
    int indexStart() const {
        return !complete_ || indexEntries_.isEmpty() ? 0 : lastHierarchyPage_ + 1;
    }

    // Draws pages `first` to `last` (from 1, inclusive) in order into `sink`.
    void render(int first, int last, PageSink& sink);
    void renderPage(int page, PageSink& sink) { render(page, page, sink); }

    // One line of text as placed on a page.
    struct Line {
        PageFont font = PageFont::Regular;
        double size = 10;
        double x = 0;
        double height = 12;
        QString text;
        double grey = 0;
        // A line of a declaration: the names of the document's types in it
        // link to them.
        bool linksTypes = false;
    };
    // `text` broken into lines `width` points wide at `x`; lines after the
    // first of each paragraph stand `hanging` further in. Blanks and line
    // breaks of the text are kept as the user typed them.
    static QList<Line> wrap(const QString& text, PageFont font, double size, double x, double width,
                            double hanging = 0, double grey = 0);

private:
    // Where a page of the units begins: the unit, the block in it (0 the
    // unit's heading, then one per routine) and the line in that block.
    struct Cursor {
        int unit = 0;
        int block = 0;
        int line = 0;
    };
    struct Block;
    class Paginator;

    QList<Block> blocksOf(const ReportUnit& unit) const;
    static Block headingBlock(const QString& heading, int depth);
    static void appendDeclarationBlocks(QList<Block>& blocks, const UnitView::Entry& entry);
    void renderTitle(PageSink& sink);
    void renderContents(int page, PageSink& sink);
    void renderUnits(int first, int last, PageSink& sink);
    void footer(int page, PageSink& sink) const;
    void renderIndex(int page, PageSink& sink);
    void layOutHierarchy();
    void renderHierarchy(int page, PageSink& sink);

    // A declaration (or routine) where the units' pages show it, for the
    // identifier index. A large document names hundreds of thousands, so an
    // entry is a few numbers: its name and owner are places in `indexText_`.
    struct IndexEntry {
        quint32 nameAt = 0;
        quint32 ownerAt = 0;
        quint16 nameLength = 0;
        quint16 ownerLength = 0; // none at unit level
        int unit = 0;            // its position in the document
        int page = 0;
        float y = 0;
    };
    QStringView indexName(const IndexEntry& entry) const {
        return QStringView(indexText_).sliced(entry.nameAt, entry.nameLength);
    }
    QStringView indexOwner(const IndexEntry& entry) const {
        return QStringView(indexText_).sliced(entry.ownerAt, entry.ownerLength);
    }
    // The first of its letter: a heading above it.
    bool startsLetter(int entry) const;
    void addIndexEntry(const QString& name, const QString& owner, int unit, int page, double y);
    void layOutIndex();
    void beginCounting();
    void finishCounting();

    ReportSource& source_;
    QLocale locale_;
    QDateTime made_;
    int contentsPages_ = 1;
    int firstUnitPage_ = 3;
    int pageCount_ = 0;
    QList<Cursor> pageStarts_; // per page of the units, from firstUnitPage_
    QList<Place> unitStarts_;  // per unit
    int lastUnitPage_ = 0;
    QHash<QString, Place> typePlaces_; // unit-level types by case-folded name; the first
    void linkTypes(const Line& line, double top, const QString& self, PageSink& sink) const;
    ClassHierarchy hierarchy_;     // the classes as the units' pages show them
    QList<Place> hierarchyPlaces_; // where each stands, by the hierarchy's entry
    QList<ClassHierarchy::Line> hierarchyLines_;
    int lastHierarchyPage_ = 0;           // the last page of the units where there is no hierarchy
    QList<IndexEntry> indexEntries_;      // A to Z
    QString indexText_;                   // the entries' names and owners, one after another
    QStringList unitNames_;               // by position, for the index
    QList<int> indexPageStarts_;          // the entry each index page begins with
    std::unique_ptr<Paginator> counting_; // while the units are being laid out
    int nextUnit_ = 0;                    // the unit the count goes on with
    bool complete_ = false;
};

} // namespace ink
