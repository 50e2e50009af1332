#include "MissingSource.h"

namespace ink {

namespace {
const QString libraryMark = QStringLiteral("library unit");
const QString alsoMark = QStringLiteral("; also looked in ");
const QString unreadableMark = QStringLiteral("could not be read: ");
} // namespace

QString UnreadableNote(const QString& reason, const QString& path) {
    return unreadableMark + reason + QStringLiteral(" (") + path + u')';
}

bool IsUnreadableNote(const QString& stored) {
    // A stored path is absolute, so it never begins with these words.
    return stored.startsWith(unreadableMark);
}

QString LibraryUnitNote(const QString& package) {
    return package.isEmpty() ? libraryMark : libraryMark + QStringLiteral(" of ") + package;
}

QString NotFoundNote(const QStringList& lookedIn) {
    if (lookedIn.isEmpty())
        return {};
    QString note = lookedIn.first();
    if (lookedIn.size() > 1)
        note += alsoMark + lookedIn.sliced(1).join(QStringLiteral(", "));
    return note;
}

bool IsLibraryUnitNote(const QString& stored) {
    // A stored path is absolute, so it never begins with these words.
    return stored == libraryMark || stored.startsWith(libraryMark + QStringLiteral(" of "));
}

QString MissingSourceText(const QString& stored) {
    if (stored.isEmpty())
        return {};
    if (IsLibraryUnitNote(stored)) {
        const QString package =
            stored.sliced(libraryMark.size())
                .sliced(std::min<qsizetype>(4, stored.size() - libraryMark.size()));
        return package.isEmpty() ? QStringLiteral("Library unit")
                                 : QStringLiteral("Library unit (") + package + u')';
    }
    if (IsUnreadableNote(stored))
        return QStringLiteral("Source ") + stored;
    return QStringLiteral("Source not found: ") + stored;
}

} // namespace ink
