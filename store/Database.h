#pragma once
#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace ink {

// One SQLite database file (WAL journal) shared by the tables of an alias.
// Opening never changes an existing file: a damaged or foreign file is
// reported with its path and the reason, and left exactly as it was.
class Database {
public:
    // Opens `filePath`, creating an empty database when the file is missing.
    explicit Database(const QString& filePath);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& filePath() const { return filePath_; }
    sqlite3* handle() const { return db_; }

    bool tableExists(const QString& tableName) const;
    void exec(const QString& sql); // throws StoreError naming the file

    // Batches: writes between begin and end share one transaction. Batches
    // nest by counting; the outermost end commits whatever was written, also
    // when an error ended the work, so rows posted before the error remain.
    void beginBatch();
    void endBatch();
    bool inBatch() const { return batchDepth_ > 0; }

private:
    QString filePath_;
    sqlite3* db_ = nullptr;
    int batchDepth_ = 0;
};

// Opens a batch for the life of a scope and closes it on every path.
class Batch {
public:
    explicit Batch(Database& db) : db_(db) { db_.beginBatch(); }
    ~Batch() { db_.endBatch(); }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

private:
    Database& db_;
};

} // namespace ink
