#pragma once
#include <QDateTime>
#include <QString>
#include <vector>

#include "model/Declaration.h"
#include "Statement.h"

namespace ink {

class Database;

// Where a new declaration row goes: its document, its unit, the row of its
// enclosing type (0 at unit level), and the unit's own file, which the rows
// do not repeat.
struct DeclarationPlace {
    qint64 docNo = 0;
    qint64 unitNo = 0;
    qint64 parentNo = 0;
    QString unitFile;
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
    qint64 insert(const DeclarationPlace& place, const Declaration& declaration);

private:
    void bindText(int parameter, const QString& text);
    void bindField(int parameter, const QVariant& value);

    Database& db_;
    Statement insert_;
    QString stamp_; // LastSeen as the store keeps it
    bool server_;
    std::vector<bool> notNull_;              // by field
    std::vector<int> declarationParameters_; // by the model's field
};

} // namespace ink
