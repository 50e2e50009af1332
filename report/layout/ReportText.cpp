#include "ReportText.h"

#include "ClassHierarchy.h"
#include "ReportSaveFile.h"
#include "ReportSource.h"
#include "UnitView.h"

namespace ink {

namespace {

QString indent(int depth) {
    return QString(2 * depth, QChar(' '));
}

// A heading over a rule of its own length.
QString underlined(const QString& heading, QChar rule) {
    return heading + QChar('\n') + QString(heading.size(), rule) + QStringLiteral("\n\n");
}

// Each line of `text` indented; line breaks as the user typed them.
QString block(const QString& text, int depth) {
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar('\r'), QChar('\n'));
    QString out;
    for (const QString& line : plain.split(QChar('\n')))
        out += (line.isEmpty() ? QString() : indent(depth) + line) + QChar('\n');
    return out;
}

QString facts(const QList<ReportFact>& facts) {
    QString text;
    for (const ReportFact& fact : facts)
        text += fact.caption + QStringLiteral(": ") + fact.value + QChar('\n');
    return text;
}

QString description(const QString& text, bool described, int depth) {
    return block(described ? text : QString::fromLatin1(NoDescriptionText), depth);
}

QString declarationText(const ReportDeclaration& d, int depth) {
    QString text;
    if (d.isStructure())
        text +=
            indent(depth) + d.name + QStringLiteral(" (") + d.kindLine() + QStringLiteral(")\n");
    text += block(d.declaration.simplified(), depth + 1);
    QStringList where;
    if (!d.visibility.isEmpty())
        where.append(d.visibility);
    if (!d.location().isEmpty())
        where.append(d.location());
    if (!where.isEmpty())
        text += indent(depth + 1) + where.join(QStringLiteral(", ")) + QChar('\n');
    if (d.deprecated())
        text += block(d.deprecationNote().isEmpty()
                          ? QStringLiteral("Deprecated.")
                          : QStringLiteral("Deprecated: ") + d.deprecationNote(),
                      depth + 2);
    if (d.leftTheSource)
        text += block(QString::fromLatin1(LeftTheSourceNote), depth + 2);
    if (!d.changedFrom.trimmed().isEmpty())
        text += block(QStringLiteral("Signature changed: the description was written for ") +
                          d.changedFrom.simplified(),
                      depth + 2);
    return text + description(d.description, d.described(), depth + 2);
}

QString unitText(const UnitView& view) {
    const ReportUnit& unit = view.unit();
    QString text = underlined(unit.name, QChar('-'));
    if (!unit.form.isEmpty())
        text += QStringLiteral("Form: ") + unit.form + QChar('\n');
    text += description(unit.description, unit.described(), 0);
    for (const UnitView::Entry& entry : view.entries()) {
        text += QChar('\n');
        if (!entry.heading.isEmpty())
            text += indent(entry.depth) + entry.heading + QStringLiteral(":\n\n");
        if (entry.declaration)
            text += declarationText(*entry.declaration, entry.depth);
        else
            text += block(routineDeclaration(*entry.routine), 1) +
                    description(entry.description(), entry.described(), 2);
    }
    if (!unit.closingNote().isEmpty())
        text += QChar('\n') + block(unit.closingNote(), 0);
    if (!unit.placeholderDescription.isEmpty())
        text += block(unit.placeholderDescription, 1);
    return text + QChar('\n');
}

QString hierarchyText(const ClassHierarchy& hierarchy) {
    QString text = underlined(QStringLiteral("Class hierarchy"), QChar('='));
    for (const ClassHierarchy::Line& line : hierarchy.lines())
        text += indent(line.depth) + line.name +
                (line.entry < 0 ? QStringLiteral(" (not in this document)")
                                : QStringLiteral(" (") + line.kind + QStringLiteral(", ") +
                                      line.unitName + QChar(')')) +
                QChar('\n');
    return text;
}

} // namespace

QString reportText(ReportSource& source, const QLocale& locale) {
    const ReportDocument& document = source.document();
    QString text = underlined(document.name, QChar('='));
    text += QStringLiteral("Reference documentation\n\n") +
            facts(titleFacts(document, locale, QDateTime()));
    if (document.includeVersionInfo) {
        const QList<ReportFact> version = versionFacts(document);
        text += QChar('\n') + underlined(QStringLiteral("Version information"), QChar('-'));
        text +=
            version.isEmpty() ? block(QString::fromLatin1(NoVersionInfoText), 0) : facts(version);
    }
    text += QChar('\n');
    if (source.unitCount() == 0)
        text += block(QString::fromLatin1(NoUnitsText), 0);
    ClassHierarchy hierarchy;
    source.readUnits(0, [&](int position, const ReportUnit& unit) {
        const UnitView view(unit);
        text += unitText(view);
        for (const UnitView::Entry& entry : view.entries())
            if (entry.inHierarchy)
                hierarchy.add(*entry.declaration, position, unit.name);
        return true;
    });
    if (!hierarchy.isEmpty())
        text += hierarchyText(hierarchy);
    return text;
}

ExportResult writeTextReport(ReportSource& source, const QString& out) {
    saveWholeFile(reportText(source).toUtf8(), out);
    return {out, 0};
}

} // namespace ink
