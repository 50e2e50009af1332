#pragma once
// What the files of the report's layout share: the page's frame and type
// sizes, a line drawn, and the blocks the units' pages are made of. Private
// to the layout (ReportLayout*.cpp).
#include <QString>

#include "PageSink.h"
#include "ReportLayout.h"

namespace ink::layout {

// A4 in points, and the frame of the text on it.
inline constexpr double PageWidth = 595.276;
inline constexpr double PageHeight = 841.89;
inline constexpr double Left = 62;
inline constexpr double Right = PageWidth - 56;
inline constexpr double TextWidth = Right - Left;
inline constexpr double Top = 74;
inline constexpr double Bottom = PageHeight - 62;

inline constexpr double BodySize = 9.5;
inline constexpr double BodyLeading = 12.5;
inline constexpr double MonoSize = 8.5;
inline constexpr double MonoLeading = 11;
inline constexpr double Quiet = 0.45; // the grey of "No description." and the like

inline constexpr double DeclarationIndent = 6;
inline constexpr double DeclarationHanging = 30; // continuation lines of a long declaration
inline constexpr double DescriptionIndent = 24;
inline constexpr double MemberIndent = 12; // a type's members stand in from it
inline constexpr double ContentsLeading = 14;
inline constexpr double ContentsHeading = 34;

inline double lineHeightFor(PageFont font, double size) {
    if (font == PageFont::Mono)
        return size * MonoLeading / MonoSize;
    return size * BodyLeading / BodySize;
}

inline double baseline(double top, const ReportLayout::Line& line) {
    return top + (line.height + line.size * 0.62) / 2;
}

inline void draw(PageSink& sink, const ReportLayout::Line& line, double top) {
    if (!line.text.isEmpty())
        sink.text(line.font, line.size, {line.x, baseline(top, line)}, line.text, line.grey);
}

inline ReportLayout::Line single(const QString& text, PageFont font, double size, double x,
                                 double grey = 0, double height = 0) {
    return {font, size, x, height > 0 ? height : lineHeightFor(font, size), text, grey};
}

// The identifier index and the class hierarchy: the title's height, and a
// letter's heading.
inline constexpr double IndexHeading = 34;
inline constexpr double IndexLetter = 22;

// The longest start of `text` that fits `width`, with an ellipsis when cut.
QString elided(const QString& text, PageFont font, double size, double width);
// The running head of a page after the title: the document, and the section.
void pageHeader(const QString& documentName, const QString& section, PageSink& sink);

} // namespace ink::layout

namespace ink {

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

} // namespace ink
