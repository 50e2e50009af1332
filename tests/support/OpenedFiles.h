#pragma once
#include <QString>
#include <QStringList>
#include <sqlite3.h>

// Records the name of every file SQLite opens while it lives, through a
// pass-through VFS made the default for that time. A test proves with it
// that a database file was never opened at all, which no look at the file
// afterwards can show. One recorder at a time.
class OpenedFiles {
public:
    OpenedFiles() {
        base_ = sqlite3_vfs_find(nullptr);
        vfs_ = *base_;
        vfs_.zName = "opened-files-recorder";
        vfs_.xOpen = &OpenedFiles::open;
        current() = this;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~OpenedFiles() {
        sqlite3_vfs_unregister(&vfs_);
        sqlite3_vfs_register(base_, 1);
        current() = nullptr;
    }
    OpenedFiles(const OpenedFiles&) = delete;
    OpenedFiles& operator=(const OpenedFiles&) = delete;

    // Every name opened, in order (main files, journals, WAL and shared memory).
    const QStringList& names() const { return names_; }
    // The names opened that begin with `path` (a database and its companions).
    QStringList namesUnder(const QString& path) const { return names_.filter(path); }

private:
    static OpenedFiles*& current() {
        static OpenedFiles* recorder = nullptr;
        return recorder;
    }
    static int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags,
                    int* outFlags) {
        OpenedFiles* self = current();
        if (name != nullptr)
            self->names_.append(QString::fromUtf8(name));
        return self->base_->xOpen(self->base_, name, file, flags, outFlags);
    }

    sqlite3_vfs* base_ = nullptr;
    sqlite3_vfs vfs_{};
    QStringList names_;
};
