#include "ReportDocument.h"

#include "model/Declaration.h"
#include "model/Placeholders.h"
#include "store/MissingSource.h"
#include <QRegularExpression>

namespace ink {

namespace {
void addFact(QList<ReportFact>& facts, const QString& caption, const QString& value) {
    if (!value.trimmed().isEmpty())
        facts.append({caption, value});
}
} // namespace

QString ReportUnit::closingNote() const {
    if (!missingSource.isEmpty())
        return MissingSourceText(missingSource);
    // Said of the routine rows, which every unit's methods have too: a unit
    // of constants or types alone still says it has no routines.
    if (routines.isEmpty())
        return QStringLiteral("This unit declares no procedures or functions.");
    return {};
}

bool ReportDeclaration::isStructure() const {
    return KindWordIsStructure(kind);
}

bool ReportDeclaration::deprecated() const {
    static const QRegularExpression word(QStringLiteral("\\bdeprecated\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    return directives.contains(word);
}

QString ReportDeclaration::deprecationNote() const {
    static const QRegularExpression note(QStringLiteral("\\bdeprecated\\s*'((?:[^']|'')*)'"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = note.match(directives);
    return match.hasMatch() ? match.captured(1).replace(QStringLiteral("''"), QStringLiteral("'"))
                            : QString();
}

QString ReportDeclaration::qualifiedName() const {
    return owner.isEmpty() ? name : owner + QChar('.') + name;
}

QString ReportDeclaration::location() const {
    if (sourceFile.isEmpty())
        return {};
    // Stored paths may come from Windows.
    QString file = sourceFile;
    file.replace(QChar('\\'), QChar('/'));
    file = file.section(QChar('/'), -1);
    return sourceLine > 0 ? file + QChar(':') + QString::number(sourceLine) : file;
}

QString ReportDeclaration::kindLine() const {
    QString line = kind;
    const QStringList parents = this->parents();
    if (parents.isEmpty())
        return line;
    if (kind == QLatin1String("helper"))
        return line + QStringLiteral(" for ") + parents.first();
    // An interface's parents are all interfaces it extends.
    line += QStringLiteral(", inherits ") + parents.first();
    if (parents.size() > 1)
        line += QStringLiteral(", implements ") + parents.mid(1).join(QStringLiteral(", "));
    return line;
}

QStringList ReportDeclaration::parents() const {
    return SplitParents(ancestor);
}

QList<QPair<qsizetype, qsizetype>> identifiersIn(QStringView text) {
    QList<QPair<qsizetype, qsizetype>> found;
    const auto starts = [](QChar c) {
        return c.isLetter() || c == QChar('_');
    };
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == QChar('\'')) {
            const qsizetype close = text.indexOf(QChar('\''), i + 1);
            i = close < 0 ? text.size() : close + 1;
        } else if (starts(c) &&
                   (i == 0 || !(text[i - 1].isLetterOrNumber() || text[i - 1] == QChar('_') ||
                                text[i - 1] == QChar('#')))) {
            qsizetype end = i + 1;
            while (end < text.size() && (text[end].isLetterOrNumber() || text[end] == QChar('_')))
                ++end;
            found.append({i, end - i});
            i = end;
        } else {
            ++i;
        }
    }
    return found;
}

QString shownForm(const QString& storedForm) {
    return ShownForm(storedForm);
}

QString routineDeclaration(const ReportRoutine& routine) {
    if (!routine.declaration.trimmed().isEmpty())
        return routine.declaration.simplified();
    const bool isFunction =
        routine.kind.compare(QLatin1String("FUNCTION"), Qt::CaseInsensitive) == 0;
    QString text = isFunction ? QStringLiteral("function ") : QStringLiteral("procedure ");
    text += routine.name;
    if (!IsMarkerText(routine.parameters))
        text += QChar('(') + routine.parameters.simplified() + QChar(')');
    if (isFunction && !IsMarkerText(routine.resultType))
        text += QStringLiteral(": ") + routine.resultType.simplified();
    return text + QChar(';');
}

QList<ReportFact> titleFacts(const ReportDocument& document, const QLocale& locale,
                             const QDateTime& made) {
    QList<ReportFact> facts;
    addFact(facts, QStringLiteral("Author"), document.author);
    addFact(facts, QStringLiteral("Company"), document.company);
    addFact(facts, QStringLiteral("Project file"), document.projectFile);
    addFact(facts, QStringLiteral("Modified"), reportDateText(document.modified, locale));
    if (document.sizeKb)
        addFact(facts, QStringLiteral("Size"), reportSizeText(*document.sizeKb, locale));
    addFact(facts, QStringLiteral("Units"), locale.toString(document.unitCount));
    const DocumentCoverage& coverage = document.coverage;
    addFact(facts, QStringLiteral("Routines"), locale.toString(coverage.routines.count));
    if (coverage.counted == Counted::Declarations)
        addFact(facts, QStringLiteral("Declarations"),
                locale.toString(coverage.declarations.count));
    addFact(facts, QStringLiteral("Described"), describedText(coverage, locale));
    addFact(facts, QStringLiteral("Left the source"), leftTheSourceText(coverage, locale));
    addFact(facts, QStringLiteral("Report made"), reportDateText(made, locale));
    return facts;
}

QList<ReportFact> versionFacts(const ReportDocument& document) {
    QList<ReportFact> facts;
    for (int i = 0; i < int(VersionFields.size()); ++i)
        addFact(facts, QString::fromLatin1(VersionFields[i].caption),
                document.versionValues.value(i));
    return facts;
}

QString reportSizeText(qint64 sizeKb, const QLocale& locale) {
    return locale.toString(sizeKb) + QStringLiteral(" KB");
}

QString leftTheSourceText(const DocumentCoverage& coverage, const QLocale& locale) {
    const int units = coverage.missingUnits;
    const int routines = coverage.routines.missing;
    const int declarations = coverage.declarations.missing;
    if (units == 0 && routines == 0 && declarations == 0)
        return {};
    QString text = QStringLiteral("%1 %2, %3 %4")
                       .arg(locale.toString(units),
                            units == 1 ? QStringLiteral("unit") : QStringLiteral("units"),
                            locale.toString(routines),
                            routines == 1 ? QStringLiteral("routine") : QStringLiteral("routines"));
    if (coverage.counted == Counted::Declarations)
        text += QStringLiteral(", %1 %2").arg(locale.toString(declarations),
                                              declarations == 1 ? QStringLiteral("declaration")
                                                                : QStringLiteral("declarations"));
    return text;
}

QString describedText(const DocumentCoverage& coverage, const QLocale& locale) {
    const CoverageTally& tally = coverage.countedTally();
    return QStringLiteral("%1 of %2 %3 (%4)")
        .arg(locale.toString(tally.described), locale.toString(tally.count), coverage.countedName(),
             coverage.percentText());
}

QString reportDateText(const QDateTime& moment, const QLocale& locale) {
    if (!moment.isValid())
        return {};
    const QString date = locale.toString(moment.date(), QLocale::ShortFormat);
    if (moment.time() == QTime(0, 0))
        return date;
    // The long time format, without the time zone some locales append to it.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("^t+\\s*|\\s*t+$")));
    return date + QChar(' ') + locale.toString(moment.time(), timeFormat);
}

} // namespace ink
