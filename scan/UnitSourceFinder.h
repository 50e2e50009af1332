#pragma once
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace ink {

// Finds a unit's source file the way the projects were written for: on a
// file system where letter case does not matter. Folder listings are kept
// for the finder's life, so a build over thousands of units lists each
// folder once.
class UnitSourceFinder {
public:
    // The unit's source file: the project's folder + the stored name; else
    // that name matched without regard to case in the folder; else the
    // unit's `in` path taken relative to the project's folder (either
    // separator, matched without regard to case); else the name with ".pas",
    // then ".pp". When none exists, the plain folder + name, untested.
    QString find(const QString& projectPath, const QString& unitName, const QString& unitPath);

private:
    // `folder` + `relative` with each part matched without regard to case;
    // empty when no such file exists.
    QString resolve(const QString& folder, const QString& relative);
    QString matchEntry(const QString& folder, const QString& name);
    // Whether `name` may stand in `folder` under exactly that name.
    bool isListed(const QString& folder, const QString& name);

    // A folder's entries by name, and by case-folded name the first of them
    // in listing order: each part of a path is matched in memory, not by a
    // look at the disk.
    struct Listing {
        QSet<QString> exact;
        QHash<QString, QString> folded;
        bool readable = false;
    };
    const Listing& listingOf(const QString& folder);

    QHash<QString, Listing> listings_;
};

} // namespace ink
