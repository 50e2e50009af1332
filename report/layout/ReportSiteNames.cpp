#include "ReportSiteNames.h"

namespace ink {

namespace {

// The site's own pages, those of today and those a later export may add;
// a unit of such a name must not take its place.
const char* const SitePages[] = {"index", "identifiers", "hierarchy"};

// Windows opens a device for these names whatever follows the first dot, so
// a site copied there could not hold such a page.
bool isWindowsDeviceName(const QString& stem) {
    const QString base = stem.section(QChar('.'), 0, 0).toLower();
    for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"})
        if (base == QLatin1String(device))
            return true;
    if (base.size() == 4 &&
        (base.startsWith(QLatin1String("com")) || base.startsWith(QLatin1String("lpt"))))
        return base[3].isDigit();
    return false;
}

// Long enough for any real unit name, well short of the 255 bytes a file
// name may have.
constexpr qsizetype MaxStem = 80;

QString pageStem(const QString& unitName) {
    QString name = unitName.trimmed();
    name = name.mid(qMax(name.lastIndexOf(QChar('/')), name.lastIndexOf(QChar('\\'))) + 1);
    for (const char* extension : {".pas", ".pp", ".p"})
        if (name.endsWith(QLatin1String(extension), Qt::CaseInsensitive) &&
            name.size() > qsizetype(qstrlen(extension))) {
            name.chop(qstrlen(extension));
            break;
        }
    // Accented letters keep their base letter ("Übersicht" → "Ubersicht");
    // anything else outside the portable set becomes "_", so that the name
    // means the same on every file system and needs no escaping in a link.
    QString stem;
    for (const QChar c : name.normalized(QString::NormalizationForm_KD)) {
        if (c.category() == QChar::Mark_NonSpacing)
            continue;
        const bool portable = (c >= QChar('a') && c <= QChar('z')) ||
                              (c >= QChar('A') && c <= QChar('Z')) ||
                              (c >= QChar('0') && c <= QChar('9')) || c == QChar('_') ||
                              c == QChar('-') || c == QChar('.');
        stem += portable ? c : QChar('_');
    }
    // A leading dot hides a file; a trailing one is dropped by Windows.
    while (stem.startsWith(QChar('.')))
        stem.remove(0, 1);
    stem.truncate(MaxStem);
    while (stem.endsWith(QChar('.')))
        stem.chop(1);
    if (stem.isEmpty())
        return QStringLiteral("unit");
    // A number after the name would not help ("nul.Utils-2" is still a
    // device), a mark before it does.
    return isWindowsDeviceName(stem) ? QChar('_') + stem : stem;
}

bool isSitePage(const QString& stem) {
    for (const char* page : SitePages)
        if (stem.compare(QLatin1String(page), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString anchorPart(const QString& text) {
    QString part;
    for (const QChar c : text)
        if (c.isLetterOrNumber() || c == QChar('_'))
            part += c;
    return part;
}

} // namespace

QString UnitPageNames::next(const QString& unitName) {
    const QString stem = pageStem(unitName);
    QString unique = stem;
    for (int n = 2; isSitePage(unique) || taken_.contains(unique.toLower()); ++n)
        unique = stem + QChar('-') + QString::number(n);
    taken_.insert(unique.toLower());
    return unique + QStringLiteral(".html");
}

QStringList unitPageNames(const QStringList& unitNames) {
    UnitPageNames pages;
    QStringList names;
    names.reserve(unitNames.size());
    for (const QString& unitName : unitNames)
        names.append(pages.next(unitName));
    return names;
}

PageAnchors::PageAnchors(const QString& prefix) : prefix_(prefix) {}

QString PageAnchors::take(const QString& owner, const QString& name) {
    QString id = anchorPart(name);
    if (id.isEmpty())
        id = QStringLiteral("routine");
    const QString ownerPart = anchorPart(owner);
    if (!ownerPart.isEmpty())
        id = ownerPart + QChar('.') + id;
    id.prepend(prefix_);
    QString unique = id;
    for (int n = 2; taken_.contains(unique.toLower()); ++n)
        unique = id + QChar('-') + QString::number(n);
    taken_.insert(unique.toLower());
    return unique;
}

} // namespace ink
