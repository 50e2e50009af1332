#pragma once
#include <memory>
#include <QVariantList>

namespace ink {

class Database;
class TableStore;

// Writes the declaration rows a build found new, beside the cursor: a large
// project has several times more declarations than routines, and a cursor
// append per row (kept in order in the scope in memory) made the build
// several times slower. The rows' scope is read again when the build ends.
class NewDeclarations {
public:
    explicit NewDeclarations(Database& db);
    ~NewDeclarations();
    NewDeclarations(const NewDeclarations&) = delete;
    NewDeclarations& operator=(const NewDeclarations&) = delete;

    // Writes one row from values in DeclsLib's field order, stored as an
    // append would store them; returns its DeclNo.
    qint64 insert(const QVariantList& values);

private:
    std::unique_ptr<TableStore> store_;
};

} // namespace ink
