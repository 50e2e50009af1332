#pragma once
#include <memory>
#include <QHash>
#include <QString>
#include <QVariantList>

#include "TableStore.h"

namespace ink {

// The scopes a detail table has shown for the rows of its master, kept so
// that moving back and forth between master rows costs no query. The table
// edits a kept scope in place with its own writes; any other change to the
// table (another table's write on the connection, another program's commit,
// a rollback) drops them all. Only scopes under one leading link value (one
// document) are kept, and only the most recently used: at most MaxScopes of
// them, holding at most MaxRows rows together (a lone larger scope is kept
// alone). A build walks every unit once and appends to each, so what it
// leaves behind is dropped as it goes rather than held to its end.
class ScopeCache {
public:
    static constexpr qsizetype MaxRows = 10000;
    static constexpr qsizetype MaxScopes = 256;

    std::shared_ptr<Rows> find(const QVariantList& key);
    void keep(const QVariantList& key, std::shared_ptr<Rows> rows);
    void forget(const QVariantList& key);
    void clear();
    // The rows the kept scopes hold now, their own appends included.
    qsizetype rowCount() const;
    qsizetype scopeCount() const { return scopes_.size(); }

    // Drops every scope unless nothing changed since the cache last looked.
    void revalidate(quint64 changeStamp, qint64 dataVersion);
    // Before the table's own write: drops every scope if someone else wrote.
    void checkBeforeOwnWrite(quint64 changeStamp);
    // After the table's own write, already applied to the scopes in memory.
    void acceptOwnWrite(quint64 changeStamp) { changeStamp_ = changeStamp; }

private:
    struct Kept {
        std::shared_ptr<Rows> rows;
        quint64 lastUse = 0;
    };
    static QString keyText(const QVariantList& key);
    void dropLeastRecent(const QString& spared);

    QHash<QString, Kept> scopes_;
    QString leadingValue_;
    quint64 uses_ = 0;
    quint64 changeStamp_ = 0;
    qint64 dataVersion_ = -1;
};

} // namespace ink
