#include "FormEventHandlers.h"

#include <QRegularExpression>
#include <QStringList>

#include "ReportDocument.h"

namespace ink {

namespace {

// The part of a dotted name after its last dot: `Vcl.Forms.TForm` is TForm.
QString lastPart(const QString& name) {
    return name.section(QChar('.'), -1).trimmed();
}

// The ancestor comes first, then the interfaces.
QString ancestorOf(const ReportDeclaration& type) {
    return lastPart(type.ancestor.section(QChar(','), 0, 0));
}

bool isDesignerBase(const QString& name) {
    static const QStringList bases{"TForm",        "TCustomForm", "TFrame",
                                   "TCustomFrame", "TDataModule", "TForm3D"};
    for (const QString& base : bases)
        if (name.compare(base, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

bool IsFormClass(const ReportDeclaration& type, const QString& unitForm,
                 const QSet<QString>& formClasses) {
    if (type.kind != QLatin1String("class") || type.depth != 0)
        return false;
    const QString ancestor = ancestorOf(type);
    if (!ancestor.isEmpty() &&
        (isDesignerBase(ancestor) || formClasses.contains(ancestor.toCaseFolded())))
        return true;
    const QString form = unitForm.trimmed();
    return !form.isEmpty() &&
           type.name.compare(QStringLiteral("T") + form, Qt::CaseInsensitive) == 0;
}

bool IsEventHandler(const ReportDeclaration& method, const ReportDeclaration& form) {
    if (method.kind != QLatin1String("procedure") && method.kind != QLatin1String("function"))
        return false;
    const QString visibility = method.visibility.trimmed().toLower();
    if (visibility != QLatin1String("published") &&
        (visibility != QLatin1String("public") || isDesignerBase(ancestorOf(form))))
        return false;
    // The names before the first colon of the parameter list, then their type.
    static const QRegularExpression firstGroup(
        QStringLiteral("^[^(]*\\(\\s*([A-Za-z_][\\w\\s,]*?)\\s*:\\s*([\\w.]+)\\s*[;)]"));
    const QRegularExpressionMatch match = firstGroup.match(method.declaration);
    if (!match.hasMatch())
        return false;
    const QString firstName = match.captured(1).section(QChar(','), 0, 0).trimmed();
    return firstName.compare(QLatin1String("Sender"), Qt::CaseInsensitive) == 0 &&
           lastPart(match.captured(2)).compare(QLatin1String("TObject"), Qt::CaseInsensitive) == 0;
}

} // namespace ink
