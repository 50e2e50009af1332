#pragma once
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace ink {

class ProjectSearch;

// Where a unit's source was found, or why it was not.
struct UnitSourceLookup {
    QString path; // the file found; when none, the plain project folder + name
    bool found = false;
    // A unit of a library package, which the project uses but does not
    // document; `libraryPackage` names the package when it is known.
    bool library = false;
    QString libraryPackage;
    // When not found: the file looked for beside the project (or where the
    // `in` path points), then the search folders looked in.
    QStringList lookedIn;
};

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

    // As find(), then, for a unit named without an `in` path, where the
    // compiler looks next: the file the project's options or its own
    // packages list for it, then each unit search folder (the name, then
    // with ".pas" and ".pp"). A unit not found as a file that has a folder,
    // a pipe or a device in a place its file would stand (its `in` path, or
    // a Pascal file name in the project's folder or a search folder) is found
    // there, so that its read says why it cannot be read; the compiler would
    // not pass it over either. A unit still not found is a library unit when
    // `search` knows its package.
    UnitSourceLookup locate(const QString& projectPath, const QString& unitName,
                            const QString& unitPath, ProjectSearch& search);

private:
    // `folder` + `relative` with each part matched without regard to case;
    // empty when no such file exists. With `blockedOnly`, the entry there
    // when it is anything but a regular file instead.
    QString resolve(const QString& folder, const QString& relative, bool blockedOnly = false);
    // The entry in `folder` that is no regular file where the unit's file
    // would stand; empty when there is none.
    QString blockedEntry(const QString& folder, const QString& unitName);
    static UnitSourceLookup blockedOr(UnitSourceLookup lookup, const QString& blocked);
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

// The unit's source as a build of the project finds it, the project's
// options read afresh for their search paths and packages; when there is
// none, the plain path find() gives.
QString FindUnitSource(const QString& projectPath, const QString& unitName,
                       const QString& unitPath);

} // namespace ink
