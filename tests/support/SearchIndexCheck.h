#pragma once
#include <QString>
#include <QStringList>
#include <stdexcept>

#include "store/testing/SqlFile.h"

// How the full-text index of an embedded store differs from its rows; empty
// when it is exact. The index as it stands is compared entry by entry (each
// word, row, column and position) with the one FTS5 builds afresh from the
// rows, which is then undone. An index that was told to delete a row it
// never held is damaged, and reading it fails: that failure is the answer.
inline QString searchIndexMismatch(const QString& storeFile) {
    SqlFile file(storeFile);
    QStringList differences;
    try {
        for (const char* index : {"UnitsSearch", "ProcsSearch", "DeclsSearch"}) {
            if (file.text(QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name = '%1'")
                              .arg(index)) == QLatin1String("0"))
                continue; // a store older than that index
            file.run(QStringLiteral("CREATE VIRTUAL TABLE temp.IndexWords USING "
                                    "fts5vocab(main, %1, instance)")
                         .arg(index));
            const QString entries =
                QStringLiteral("SELECT term, doc, col, offset FROM temp.IndexWords "
                               "ORDER BY 1, 2, 3, 4");
            const QList<QStringList> kept = file.rows(entries);
            file.run(QStringLiteral("SAVEPOINT fresh; INSERT INTO %1(%1) VALUES ('rebuild')")
                         .arg(index));
            const QList<QStringList> fresh = file.rows(entries);
            file.run(
                QStringLiteral("ROLLBACK TO fresh; RELEASE fresh; DROP TABLE temp.IndexWords"));
            if (kept == fresh)
                continue;
            qsizetype at = 0;
            while (at < kept.size() && at < fresh.size() && kept[at] == fresh[at])
                ++at;
            differences << QStringLiteral("%1 holds %2 entries, its rows give %3; first "
                                          "difference: [%4] against [%5]")
                               .arg(index)
                               .arg(kept.size())
                               .arg(fresh.size())
                               .arg(at < kept.size() ? kept[at].join(' ') : QString(),
                                    at < fresh.size() ? fresh[at].join(' ') : QString());
        }
        if (const QString marks = file.text(QStringLiteral("SELECT count(*) FROM SearchDeferred"));
            marks != QLatin1String("0"))
            differences << QStringLiteral("%1 batch marks left behind").arg(marks);
    } catch (const std::runtime_error& error) {
        differences << QString::fromStdString(error.what());
    }
    return differences.join('\n');
}
