#pragma once
#include "Database.h"

namespace ink {

// Makes several writes one: all of them are kept, or none. Nests inside a
// batch or another savepoint. Without commit() the writes are undone.
class Savepoint {
public:
    explicit Savepoint(Database& db) : db_(db) { db_.beginSavepoint(); }
    ~Savepoint() {
        if (committed_)
            return;
        try {
            db_.rollBackSavepoint();
        } catch (...) {
            // Leaving on an error already; the engine undoes the rest at close.
        }
    }
    void commit() {
        db_.releaseSavepoint();
        committed_ = true;
    }
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;

private:
    Database& db_;
    bool committed_ = false;
};

} // namespace ink
