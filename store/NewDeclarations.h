#pragma once
#include <QDateTime>
#include <QString>
#include <vector>

#include "Statement.h"

namespace ink {

class Database;

// What a build knows of one new declaration row: DeclsLib's fields that come
// from the source. The text fields are held as read (QString shares them, no
// copy), and stored as an append would store them.
struct NewDeclaration {
    qint64 docNo = 0;
    qint64 unitNo = 0;
    qint64 parentNo = 0; // 0 at unit level
    QString kind;
    QString name;
    QString owner;
    QString overloadKey;
    QString declaration;
    QString visibility;
    QString directives;
    QString ancestor;
    QString sourceFile;
    int line = 0; // none when 0
};

// Writes the declaration rows a build found new, beside the cursor, with one
// insert prepared for the whole build and bound straight from the row: a
// large project has about four times more declarations than routines, and
// both a cursor append per row (kept in order in the scope in memory) and a
// general row of QVariants per insert cost several times the engine's own
// write. The rows' scope is read again when the build ends.
class NewDeclarations {
public:
    // Every row written is stamped LastSeen `stamp`.
    NewDeclarations(Database& db, const QDateTime& stamp);
    ~NewDeclarations();
    NewDeclarations(const NewDeclarations&) = delete;
    NewDeclarations& operator=(const NewDeclarations&) = delete;

    // Writes one row, stored as an append of the same values would store it
    // (text cut to its field's width, memo line breaks CR LF, empty text
    // null); returns its DeclNo.
    qint64 insert(const NewDeclaration& row);

private:
    void bindText(int field, const QString& text);

    Database& db_;
    Statement insert_;
    QString stamp_; // LastSeen as the store keeps it
    bool server_;
    std::vector<bool> notNull_; // by field
};

} // namespace ink
