#include "ReportHtml.h"

#include "ReportSaveFile.h"
#include "ReportSource.h"
#include "store/FieldText.h"

namespace ink {

namespace {

const char* const StyleSheet = R"(:root { color-scheme: light; }
* { box-sizing: border-box; }
body { margin: 0; font: 16px/1.5 system-ui, "Liberation Sans", Arial, sans-serif; color: #1d1d1f; background: #fff; }
header.site { background: #23395b; color: #fff; padding: 0.6rem 1rem; display: flex; flex-wrap: wrap; gap: 0.5rem 1.5rem; align-items: center; }
header.site a { color: #fff; text-decoration: none; font-weight: 600; }
main { max-width: 60rem; margin: 0 auto; padding: 1rem; }
h1 { font-size: 1.9rem; margin: 0.5rem 0 0.25rem; overflow-wrap: anywhere; }
h2 { font-size: 1.3rem; margin-top: 2rem; border-bottom: 1px solid #ddd; padding-bottom: 0.2rem; }
h3 { font-size: 1.15rem; margin: 1.6rem 0 0.25rem; overflow-wrap: anywhere; }
.subtitle { color: #666; margin-top: 0; }
dl.facts { display: grid; grid-template-columns: max-content 1fr; gap: 0.2rem 1.2rem; }
dl.facts dt { font-weight: 600; color: #444; }
dl.facts dd { margin: 0; overflow-wrap: anywhere; }
table.units { border-collapse: collapse; width: 100%; }
table.units th, table.units td { text-align: left; padding: 0.3rem 0.5rem; border-bottom: 1px solid #eee; }
table.units td.number { text-align: right; font-variant-numeric: tabular-nums; }
table.units td:first-child { overflow-wrap: anywhere; word-break: break-word; }
.table { overflow-x: auto; }
.search { position: relative; flex: 1 1 16rem; max-width: 28rem; }
.search input { width: 100%; padding: 0.35rem 0.6rem; font-size: 1rem; border-radius: 4px; border: 1px solid #99a; }
.search ol { position: absolute; z-index: 1; left: 0; right: 0; margin: 0.2rem 0 0; padding: 0; list-style: none; background: #fff; color: #1d1d1f; border: 1px solid #ccd; border-radius: 4px; max-height: 70vh; overflow-y: auto; box-shadow: 0 4px 12px rgba(0,0,0,.15); }
.search ol:empty { display: none; }
.search li a { display: block; padding: 0.3rem 0.6rem; color: inherit; font-weight: normal; text-decoration: none; }
.search li a:hover, .search li a:focus { background: #eef2fa; }
.search li small { color: #667; display: block; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }
.search li.none, .search li.more { padding: 0.3rem 0.6rem; }
.search li.more { color: #445; font-size: 0.9rem; border-top: 1px solid #eee; }
.with-sidebar { display: flex; align-items: flex-start; max-width: 78rem; margin: 0 auto; }
.with-sidebar main { flex: 1 1 auto; min-width: 0; margin: 0; }
nav.sidebar { flex: 0 0 15rem; position: sticky; top: 0; max-height: 100vh; overflow-y: auto; padding: 1rem 0.5rem 1rem 1rem; font-size: 0.9rem; border-right: 1px solid #eee; }
nav.sidebar ul, nav.sidebar ol { list-style: none; margin: 0; padding: 0; }
nav.sidebar a { display: block; padding: 0.1rem 0.4rem; color: #23395b; text-decoration: none; overflow-wrap: anywhere; border-radius: 3px; }
nav.sidebar a:hover, nav.sidebar a:focus { background: #eef2fa; }
nav.sidebar small { color: #667; }
nav.sidebar .site-links { padding-bottom: 0.5rem; border-bottom: 1px solid #eee; }
.sidebar-heading { font-weight: 600; color: #444; margin: 0.8rem 0 0.3rem 0.4rem; }
section.routine, section.declaration { margin: 1.2rem 0; }
section.declaration.type { margin-top: 2rem; }
section.declaration.type.depth-0 { border-top: 1px solid #e3e6ec; padding-top: 0.8rem; }
h2 + section.declaration.type.depth-0 { border-top: 0; padding-top: 0; }
section.depth-1, h4.depth-1 { margin-left: 1.5rem; }
section.depth-2, h4.depth-2 { margin-left: 3rem; }
section.depth-3, h4.depth-3, section.depth-4, h4.depth-4 { margin-left: 4.5rem; }
nav.letters { margin: 0.5rem 0 1rem; font-weight: 600; }
nav.letters a { padding: 0 0.25rem; }
ul.identifiers { list-style: none; padding: 0; columns: 2 18rem; }
ul.identifiers li { break-inside: avoid; overflow-wrap: anywhere; }
ul.identifiers small { color: #667; }
h4.group { color: #444; margin-top: 1.4rem; margin-bottom: 0.2rem; font-size: 1rem; }
pre.declaration a, p.kind a { color: #23395b; }
ul.hierarchy, ul.hierarchy ul { list-style: none; margin: 0; padding-left: 1.4rem; }
ul.hierarchy { padding-left: 0; }
ul.hierarchy ul { border-left: 1px solid #dde; margin-left: 0.3rem; }
ul.hierarchy li { margin: 0.15rem 0; overflow-wrap: anywhere; }
ul.hierarchy small { color: #667; }
ul.hierarchy .outside { font-style: italic; color: #555; }
p.note { color: #667; font-size: 0.9rem; }
p.kind { color: #555; font-style: italic; margin: 0 0 0.3rem; }
p.facts { color: #667; font-size: 0.85rem; margin: 0.2rem 0 0 1.5rem; }
p.deprecated { color: #8a1c1c; font-weight: 600; margin: 0.3rem 0 0 1.5rem; }
p.changed { color: #7a5b00; font-style: italic; margin: 0.3rem 0 0 1.5rem; }
p.left-source { color: #666; font-style: italic; margin: 0.3rem 0 0 1.5rem; }
section.left-source > pre.declaration, section.left-source > h3 { color: #777; text-decoration: line-through; }
pre.declaration { margin: 0; padding: 0.4rem 0.6rem 0.4rem 2.6rem; text-indent: -2rem; background: #f5f6f8; border-left: 3px solid #23395b; white-space: pre-wrap; overflow-wrap: anywhere; font: 0.9rem/1.4 "Liberation Mono", Consolas, monospace; }
.description { white-space: pre-wrap; margin: 0.4rem 0 0 1.5rem; }
.description.unit { margin-left: 0; }
.none { color: #777; font-style: italic; }
:target { scroll-margin-top: 1rem; }
section:target > pre.declaration { background: #fff7d6; }
@media (max-width: 800px) { .with-sidebar { flex-direction: column; align-items: stretch; } nav.sidebar { order: 2; position: static; max-height: none; flex-basis: auto; border-right: 0; border-top: 1px solid #ddd; } }
@media (max-width: 600px) { main { padding: 0.6rem; } dl.facts { grid-template-columns: 1fr; } dl.facts dd { margin-bottom: 0.4rem; } table.units .form { display: none; } }
@media print { header.site, nav.sidebar { display: none; } body { font-size: 10pt; } a { color: inherit; text-decoration: none; } section.routine { break-inside: avoid; } h2, h3 { break-after: avoid; } }
)";

// Memo fields hold CR LF line breaks; the page breaks lines at "\n" under
// "white-space: pre-wrap".
QString htmlMemo(const QString& text) {
    return htmlText(withEditorLineBreaks(text).trimmed());
}

QString htmlDescription(const QString& description, bool described) {
    if (!described)
        return QStringLiteral("<p class=\"description none\">%1</p>\n")
            .arg(QString::fromLatin1(NoDescriptionText));
    return QStringLiteral("<div class=\"description\">%1</div>\n").arg(htmlMemo(description));
}

} // namespace

QByteArray reportStyleSheet() {
    return QByteArray(StyleSheet);
}

QString htmlText(const QString& text) {
    // A NUL has no place in HTML (a parser turns it into U+FFFD, or stops):
    // dropped, as the source reader drops it.
    QString escaped = text.toHtmlEscaped();
    escaped.remove(QChar(0));
    return escaped;
}

QString htmlFacts(const QList<ReportFact>& facts) {
    if (facts.isEmpty())
        return {};
    QString html = QStringLiteral("<dl class=\"facts\">\n");
    for (const ReportFact& fact : facts)
        html += QStringLiteral("<dt>%1</dt><dd>%2</dd>\n")
                    .arg(htmlText(fact.caption), htmlText(fact.value));
    return html + QStringLiteral("</dl>\n");
}

QString htmlNone(const QString& text) {
    return QStringLiteral("<p class=\"none\">%1</p>\n").arg(htmlText(text));
}

TypeLinks typeLinks(ReportSource& source, const std::function<QString(int)>& pageOf,
                    const std::function<QString(int)>& idPrefix) {
    const QHash<QString, ReportSource::TypeHome> homes = source.typeHomes();
    if (homes.isEmpty())
        return {};
    return [homes, pageOf, idPrefix](const QString& name) {
        const auto home = homes.constFind(name.toCaseFolded());
        if (home == homes.constEnd())
            return QString();
        return pageOf(home->unit) + QChar('#') +
               PageAnchors(idPrefix(home->unit)).take({}, home->name);
    };
}

QString htmlLinked(const QString& text, const TypeLinks& links, const QString& self) {
    if (!links)
        return htmlText(text);
    QString html;
    qsizetype done = 0;
    for (const auto& [start, length] : identifiersIn(text)) {
        const QString name = text.mid(start, length);
        if (name.compare(self, Qt::CaseInsensitive) == 0)
            continue;
        const QString href = links(name);
        if (href.isEmpty())
            continue;
        html += htmlText(text.mid(done, start - done));
        html += QStringLiteral("<a href=\"%1\">%2</a>").arg(htmlText(href), htmlText(name));
        done = start + length;
    }
    return html + htmlText(text.mid(done));
}

QString htmlDeclaration(const UnitView::Entry& entry, const QString& anchor,
                        const TypeLinks& links) {
    const ReportDeclaration& d = *entry.declaration;
    QString html;
    const QString depth = QString::number(qMin(d.depth, 4));
    if (!d.heading.isEmpty())
        html += d.depth == 0 ? QStringLiteral("<h2>%1</h2>\n").arg(htmlText(d.heading))
                             : QStringLiteral("<h4 class=\"group depth-%1\">%2</h4>\n")
                                   .arg(depth, htmlText(d.heading));
    html += QStringLiteral("<section class=\"declaration depth-%1%2%3\" id=\"%4\">\n")
                .arg(depth, d.isStructure() ? QStringLiteral(" type") : QString(),
                     d.leftTheSource ? QStringLiteral(" left-source") : QString(), anchor);
    if (d.isStructure())
        html += QStringLiteral("<h3>%1</h3>\n<p class=\"kind\">%2</p>\n")
                    .arg(htmlText(d.name), htmlLinked(d.kindLine(), links, d.name));
    // A type's own name in its head is no link: the reader is there.
    html += QStringLiteral("<pre class=\"declaration\"><code>%1</code></pre>\n")
                .arg(htmlLinked(d.declaration.simplified(), links, entry.unlinkedName()));
    QStringList facts;
    if (!d.visibility.isEmpty())
        facts.append(htmlText(d.visibility));
    if (!d.location().isEmpty())
        facts.append(QStringLiteral("<span class=\"where\">%1</span>").arg(htmlText(d.location())));
    if (!facts.isEmpty())
        html += QStringLiteral("<p class=\"facts\">%1</p>\n")
                    .arg(facts.join(QStringLiteral(" &middot; ")));
    if (d.deprecated()) {
        const QString note = d.deprecationNote();
        html += QStringLiteral("<p class=\"deprecated\">%1</p>\n")
                    .arg(note.isEmpty() ? QStringLiteral("Deprecated.")
                                        : QStringLiteral("Deprecated: ") + htmlText(note));
    }
    if (d.leftTheSource)
        html += QStringLiteral("<p class=\"left-source\">%1</p>\n")
                    .arg(QString::fromLatin1(LeftTheSourceNote));
    if (!d.changedFrom.trimmed().isEmpty())
        html += QStringLiteral("<p class=\"changed\">Signature changed: the description was "
                               "written for <code>%1</code></p>\n")
                    .arg(htmlText(d.changedFrom.simplified()));
    html += htmlDescription(d.description, d.described());
    return html + QStringLiteral("</section>\n");
}

QString htmlHierarchy(const ClassHierarchy& hierarchy, const std::function<QString(int)>& hrefOf) {
    if (hierarchy.isEmpty())
        return htmlNone(QString::fromLatin1(NoClassesText));
    QString html = QStringLiteral("<p class=\"note\">Ancestors this document does not declare are "
                                  "named in italics, without a link.</p>\n");
    // Each line opens an item; a deeper one opens a list inside it, and a
    // shallower one closes what it leaves.
    int open = -1; // the depth of the item last opened
    for (const ClassHierarchy::Line& line : hierarchy.lines()) {
        if (line.depth > open)
            html += open < 0 ? QStringLiteral("<ul class=\"hierarchy\">\n")
                             : QStringLiteral("\n<ul>\n");
        else
            html += QStringLiteral("</li>\n");
        for (; open > line.depth; --open)
            html += QStringLiteral("</ul></li>\n");
        open = line.depth;
        if (line.entry < 0) {
            html +=
                QStringLiteral("<li><span class=\"outside\">%1</span>").arg(htmlText(line.name));
            continue;
        }
        const QString where = line.kind == QLatin1String("class")
                                  ? line.unitName
                                  : line.kind + QStringLiteral(", ") + line.unitName;
        html += QStringLiteral("<li><a href=\"%1\">%2</a> <small>%3</small>")
                    .arg(htmlText(hrefOf(line.entry)), htmlText(line.name), htmlText(where));
    }
    html += QStringLiteral("</li>\n");
    for (; open > 0; --open)
        html += QStringLiteral("</ul></li>\n");
    return html + QStringLiteral("</ul>\n");
}

QString htmlUnitHead(const ReportUnit& unit) {
    QString html;
    if (!unit.form.isEmpty())
        html += QStringLiteral("<p class=\"subtitle\">Form: %1</p>\n").arg(htmlText(unit.form));
    html += unit.described() ? QStringLiteral("<div class=\"description unit\">%1</div>\n")
                                   .arg(htmlMemo(unit.description))
                             : htmlNone(QString::fromLatin1(NoDescriptionText));
    return html;
}

namespace {

QString htmlRoutine(const ReportRoutine& routine, const QString& anchor) {
    return QStringLiteral("<section class=\"routine\" id=\"%1\">\n<pre class=\"declaration\">"
                          "<code>%2</code></pre>\n")
               .arg(anchor, htmlText(routineDeclaration(routine))) +
           htmlDescription(routine.description, routine.described()) +
           QStringLiteral("</section>\n");
}

} // namespace

QString htmlUnitEntries(const UnitView& view, const QStringList& anchors, const TypeLinks& links) {
    const ReportUnit& unit = view.unit();
    QString html;
    for (qsizetype i = 0; i < view.entries().size(); ++i) {
        const UnitView::Entry& entry = view.entries()[i];
        if (entry.declaration) {
            html += htmlDeclaration(entry, anchors.value(i), links);
            continue;
        }
        if (!entry.heading.isEmpty())
            html += QStringLiteral("<h2>%1</h2>\n").arg(htmlText(entry.heading));
        html += htmlRoutine(*entry.routine, anchors.value(i));
    }
    const QString note = unit.closingNote();
    if (!note.isEmpty())
        html += htmlNone(note);
    if (!unit.placeholderDescription.isEmpty())
        html += htmlDescription(unit.placeholderDescription, true);
    return html;
}

QString reportHtml(ReportSource& source, const QLocale& locale) {
    const ReportDocument& document = source.document();
    QString html = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n"
                                  "<meta charset=\"utf-8\">\n<title>%1</title>\n<style>\n")
                       .arg(htmlText(document.name));
    html += QString::fromUtf8(reportStyleSheet());
    html += QStringLiteral("</style>\n</head>\n<body>\n<main>\n<h1>%1</h1>\n"
                           "<p class=\"subtitle\">Reference documentation</p>\n")
                .arg(htmlText(document.name));
    html += htmlFacts(titleFacts(document, locale, QDateTime()));
    if (document.includeVersionInfo) {
        const QList<ReportFact> facts = versionFacts(document);
        html += QStringLiteral("<h2>Version information</h2>\n");
        html +=
            facts.isEmpty() ? htmlNone(QString::fromLatin1(NoVersionInfoText)) : htmlFacts(facts);
    }
    html += QStringLiteral("<h2>Units</h2>\n");
    if (source.unitCount() == 0)
        html += htmlNone(QString::fromLatin1(NoUnitsText));
    const auto prefix = [](int position) {
        return QStringLiteral("u%1-").arg(position + 1);
    };
    const TypeLinks links = typeLinks(
        source, [](int) { return QString(); }, prefix);
    ClassHierarchy hierarchy;
    QStringList hierarchyTargets; // by the hierarchy's entry
    source.readUnits(0, [&](int position, const ReportUnit& unit) {
        // One page for every unit: each unit's ids have a prefix of their own.
        PageAnchors anchors(QStringLiteral("u%1-").arg(position + 1));
        html += QStringLiteral("<h3 id=\"u%1\">%2</h3>\n")
                    .arg(QString::number(position + 1), htmlText(unit.name));
        html += htmlUnitHead(unit);
        const UnitView view(unit);
        const QStringList ids = view.anchors(anchors);
        html += htmlUnitEntries(view, ids, links);
        for (qsizetype i = 0; i < view.entries().size(); ++i)
            if (view.entries()[i].inHierarchy) {
                hierarchy.add(*view.entries()[i].declaration, position, unit.name);
                hierarchyTargets.append(QChar('#') + ids[i]);
            }
        return true;
    });
    // After the units, as in the PDF; a document without classes has none.
    if (!hierarchy.isEmpty())
        html += QStringLiteral("<h2 id=\"hierarchy\">Class hierarchy</h2>\n") +
                htmlHierarchy(hierarchy, [&](int entry) { return hierarchyTargets.value(entry); });
    return html + QStringLiteral("</main>\n</body>\n</html>\n");
}

ExportResult writeHtmlReport(ReportSource& source, const QString& out) {
    saveWholeFile(reportHtml(source).toUtf8(), out);
    return {out, 0};
}

} // namespace ink
