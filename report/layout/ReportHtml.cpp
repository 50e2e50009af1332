#include "ReportHtml.h"

#include <QRegularExpression>

namespace ink {

namespace {

// Printing scales table margins and padding but not the margins of plain
// paragraphs, so everything indented is laid out as a table.
const char* const StyleSheet = R"(
body { font-family: sans-serif; font-size: 10pt; }
h1 { font-size: 18pt; }
h2 { font-size: 14pt; }
h3 { font-size: 12pt; }
th { text-align: left; font-weight: normal; color: #555555; padding-right: 12px; }
table.routine { margin-left: 20px; margin-top: 6px; }
td.routine-heading { font-weight: bold; }
p.description { white-space: pre-wrap; }
p.empty { color: #777777; font-style: italic; }
)";

QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

// Memo fields hold CR LF line breaks; the page breaks lines at "\n" under
// "white-space: pre-wrap".
QString escapedMemo(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QChar('\r'), QChar('\n'));
    return escaped(lines);
}

QString row(const QString& caption, const QString& value) {
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
    QString html = QStringLiteral("<h2>Version Information</h2>\n<table class=\"version\">\n");
    for (int i = 0; i < int(VersionFields.size()); ++i)
        html += row(QString::fromLatin1(VersionFields[i].caption), document.versionValues.value(i));
    return html + QStringLiteral("</table>\n");
}

QString descriptionParagraph(const QString& description) {
    if (description.isEmpty())
        return {};
    return QStringLiteral("<p class=\"description\">%1</p>\n").arg(escapedMemo(description));
}

QString routineBlock(const ReportRoutine& routine) {
    QString html =
        QStringLiteral("<table class=\"routine\">\n"
                       "<tr><td colspan=\"2\" class=\"routine-heading\">%1 %2</td></tr>\n")
            .arg(escaped(routine.kind), escaped(routine.name));
    html += row(QStringLiteral("Parameters"), routine.parameters);
    html += row(QStringLiteral("Result type"), routine.resultType);
    if (!routine.description.isEmpty())
        html += QStringLiteral("<tr><td colspan=\"2\">%1</td></tr>\n")
                    .arg(descriptionParagraph(routine.description));
    return html + QStringLiteral("</table>\n");
}

QString unitBlock(const ReportUnit& unit) {
    QString html = QStringLiteral("<h3>%1</h3>\n<table class=\"unit\">\n").arg(escaped(unit.name));
    html += row(QStringLiteral("Form"), unit.form);
    html += QStringLiteral("</table>\n");
    html += descriptionParagraph(unit.description);
    for (const ReportRoutine& routine : unit.routines)
        html += routineBlock(routine);
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
