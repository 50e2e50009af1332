#pragma once
#include <functional>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include "ClassHierarchy.h"
#include "ReportDocument.h"
#include "ReportSiteNames.h"
#include "ReportWriters.h"
#include "UnitView.h"

namespace ink {

class ReportSource;

// The report of a document as one HTML page: the same parts as the pages of
// the PDF (each routine as its declaration, "No description." where none was
// typed), with the site's style sheet inside it. It names no moment of
// making, so one document gives one page. Sizes and dates follow `locale`.
QString reportHtml(ReportSource& source, const QLocale& locale = QLocale());
// The single page writer: that page written to the file `out`.
ExportResult writeHtmlReport(ReportSource& source, const QString& out);

// The pieces both HTML outputs are made of. Every stored text is escaped;
// descriptions keep their line breaks.

// The style sheet of the site and of the single page.
QByteArray reportStyleSheet();
// Stored text, safe to stand in a page or an attribute.
QString htmlText(const QString& text);
// "<dl class="facts">…</dl>", or nothing for no facts.
QString htmlFacts(const QList<ReportFact>& facts);
// A quiet line where there is nothing to show.
QString htmlNone(const QString& text);
// Where a type name met in a declaration links to: its href, or nothing
// for a name that is no type of the document.
using TypeLinks = std::function<QString(const QString& name)>;
// The links to every unit-level type of `source`'s document, its unit's
// page named by `pageOf(unit position)` and its id taken as a unit page takes
// it, with `idPrefix(unit position)` before it.
TypeLinks typeLinks(ReportSource& source, const std::function<QString(int)>& pageOf,
                    const std::function<QString(int)>& idPrefix);
// `text` escaped, each type name in it but `self` a link.
QString htmlLinked(const QString& text, const TypeLinks& links, const QString& self = {});
// One declaration with its kind, where it stands, notes and description.
QString htmlDeclaration(const UnitView::Entry& entry, const QString& anchor,
                        const TypeLinks& links = {});
// The tree of a document's classes as nested lists, each class linked to
// `hrefOf(its entry)`, or the note that the document declares none.
QString htmlHierarchy(const ClassHierarchy& hierarchy, const std::function<QString(int)>& hrefOf);
// A unit's form and description.
QString htmlUnitHead(const ReportUnit& unit);
// A unit's declarations and routines (with ids from `anchors`, one per
// entry) and the note that closes them.
QString htmlUnitEntries(const UnitView& view, const QStringList& anchors,
                        const TypeLinks& links = {});

} // namespace ink
