#include "ReportLayout.h"

#include "ReportLayoutParts.h"
#include "ReportSource.h"

namespace ink {

using namespace layout;

namespace layout {

void pageHeader(const QString& documentName, const QString& section, PageSink& sink) {
    const double size = 8;
    const double sectionWidth = PageFontMetrics::instance().width(PageFont::Regular, size, section);
    const QString name =
        elided(documentName, PageFont::Regular, size, TextWidth - sectionWidth - 24);
    sink.text(PageFont::Regular, size, {Left, 44}, name, 0.35);
    sink.text(PageFont::Bold, size, {Right - sectionWidth, 44}, section, 0.35);
    sink.rule({Left, 50}, {Right, 50}, 0.5, 0.6);
}

} // namespace layout

QSizeF ReportLayout::pageSize() {
    return {PageWidth, PageHeight};
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
    pageHeader(source_.document().name, QStringLiteral("Contents"), sink);
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

void ReportLayout::footer(int page, PageSink& sink) const {
    const QString text = complete_ ? QStringLiteral("Page %1 of %2")
                                         .arg(QString::number(page), QString::number(pageCount_))
                                   : QStringLiteral("Page %1").arg(page);
    const double width = PageFontMetrics::instance().width(PageFont::Regular, 8, text);
    sink.text(PageFont::Regular, 8, {(PageWidth - width) / 2, PageHeight - 34}, text, 0.35);
}

} // namespace ink
