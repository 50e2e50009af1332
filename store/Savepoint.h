#pragma once
#include "Database.h"

namespace ink {

// Makes several writes one: all of them are kept, or none. Nests inside a
// batch or another savepoint. Without commit() the writes are undone.
class Savepoint {
public:
    explicit Savepoint(Database& db) : db_(db) { db_.exec("SAVEPOINT ink_step"); }
    ~Savepoint() {
        if (committed_)
            return;
        try {
            db_.exec("ROLLBACK TO ink_step");
            db_.exec("RELEASE ink_step");
            db_.noteRollback();
        } catch (...) {
            // Leaving on an error already; SQLite undoes the rest at close.
        }
    }
    void commit() {
        db_.exec("RELEASE ink_step");
        committed_ = true;
    }
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;

private:
    Database& db_;
    bool committed_ = false;
};

} // namespace ink
