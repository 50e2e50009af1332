#pragma once
#include <QHash>
#include <QString>
#include <QStringList>

namespace ink {

// Finds a unit's source file the way the projects were written for: on a
// file system where letter case does not matter. Folder listings are kept
// for the finder's life, so a build over thousands of units lists each
// folder once.
class UnitSourceFinder {
public:
    // See FindUnitSource (BuildDocument.h) for the order of the candidates.
    QString find(const QString& projectPath, const QString& unitName, const QString& unitPath);

private:
    // `folder` + `relative` with each part matched without regard to case;
    // empty when no such file exists.
    QString resolve(const QString& folder, const QString& relative);
    QString matchEntry(const QString& folder, const QString& name);
    const QStringList& entriesOf(const QString& folder);

    QHash<QString, QStringList> listings_;
};

} // namespace ink
