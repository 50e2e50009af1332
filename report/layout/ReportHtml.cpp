#include "ReportHtml.h"

#include "store/FieldText.h"

#include <QRegularExpression>

namespace ink {

namespace {

const char* const StyleSheet = R"(
body { font-family: sans-serif; font-size: 10pt; }
h1 { font-size: 18pt; }
h2 { font-size: 14pt; }
h3 { font-size: 12pt; }
th { text-align: left; font-weight: normal; color: #555555; padding-right: 12px; }
pre.declaration { margin: 10px 0 2px 8px; white-space: pre-wrap; padding-left: 2em; text-indent: -2em; }
p.description { white-space: pre-wrap; margin-left: 24px; }
p.form { color: #555555; }
p.empty { color: #777777; font-style: italic; }
)";

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

// Memo fields hold CR LF line breaks; the page breaks lines at "\n" under
// "white-space: pre-wrap".
QString escapedMemo(const QString& text) {
    return escaped(withEditorLineBreaks(text));
}

QString row(const QString& caption, const QString& value) {
    if (value.trimmed().isEmpty())
        return {};
    return QStringLiteral("<tr><th>%1</th><td>%2</td></tr>\n")
        .arg(escaped(caption), escaped(value));
}

QString titleBlock(const ReportDocument& document, const QLocale& locale) {
    QString html =
        QStringLiteral("<h1>%1</h1>\n<table class=\"title\">\n").arg(escaped(document.name));
    html += row(QStringLiteral("Author"), document.author);
    html += row(QStringLiteral("Company"), document.company);
    html += row(QStringLiteral("Modified"), reportDateText(document.modified, locale));
    html += row(QStringLiteral("Size"),
                document.sizeKb ? reportSizeText(*document.sizeKb, locale) : QString());
    return html + QStringLiteral("</table>\n");
}

QString versionBlock(const ReportDocument& document) {
    QString html = QStringLiteral("<h2>Version information</h2>\n<table class=\"version\">\n");
    for (int i = 0; i < int(VersionFields.size()); ++i)
        html += row(QString::fromLatin1(VersionFields[i].caption), document.versionValues.value(i));
    return html + QStringLiteral("</table>\n");
}

QString descriptionParagraph(const QString& description) {
    if (description.isEmpty())
        return {};
    return QStringLiteral("<p class=\"description\">%1</p>\n").arg(escapedMemo(description));
}

QString quiet(const QString& text) {
    return QStringLiteral("<p class=\"empty\">%1</p>\n").arg(escaped(text));
}

QString routineBlock(const ReportRoutine& routine) {
    QString html = QStringLiteral("<pre class=\"declaration\">%1</pre>\n")
                       .arg(escaped(routineDeclaration(routine)));
    html += routine.description.trimmed().isEmpty() ? quiet(QStringLiteral("No description."))
                                                    : descriptionParagraph(routine.description);
    return html;
}

QString unitBlock(const ReportUnit& unit) {
    QString html = QStringLiteral("<h3>%1</h3>\n").arg(escaped(unit.name));
    if (!unit.form.trimmed().isEmpty() && unit.form != QLatin1String("N/A"))
        html += QStringLiteral("<p class=\"form\">Form: %1</p>\n").arg(escaped(unit.form));
    html += unit.description.trimmed().isEmpty() ? quiet(QStringLiteral("No description."))
                                                 : descriptionParagraph(unit.description);
    bool any = false;
    for (const ReportRoutine& routine : unit.routines) {
        if (isPlaceholderRoutine(routine))
            continue;
        html += routineBlock(routine);
        any = true;
    }
    const QString note = unitClosingNote(unit, any);
    if (!note.isEmpty())
        html += quiet(note);
    return html;
}

QString unitsBlock(const ReportDocument& document) {
    QString html = QStringLiteral("<h2>Units</h2>\n");
    if (document.units.isEmpty())
        return html + QStringLiteral("<p class=\"empty\">This document has no units.</p>\n");
    for (const ReportUnit& unit : document.units)
        html += unitBlock(unit);
    return html;
}

} // namespace

QString reportSizeText(qint64 sizeKb, const QLocale& locale) {
    return locale.toString(sizeKb) + QStringLiteral(" KB");
}

QString leftTheSourceText(int units, qint64 routines, const QLocale& locale) {
    if (units == 0 && routines == 0)
        return {};
    return QStringLiteral("%1 %2, %3 %4")
        .arg(locale.toString(units), units == 1 ? QStringLiteral("unit") : QStringLiteral("units"),
             locale.toString(routines),
             routines == 1 ? QStringLiteral("routine") : QStringLiteral("routines"));
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

QString reportHtml(const ReportDocument& document, const QLocale& locale) {
    QString html = QStringLiteral("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                                  "<title>%1</title>\n<style>%2</style>\n</head>\n<body>\n")
                       .arg(escaped(document.name), QString::fromLatin1(StyleSheet));
    html += titleBlock(document, locale);
    if (document.includeVersionInfo)
        html += versionBlock(document);
    html += unitsBlock(document);
    return html + QStringLiteral("</body>\n</html>\n");
}

} // namespace ink
