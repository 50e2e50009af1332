#pragma once
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <QByteArray>
#include <QFile>
#include <QString>

// A refresh trusts a file's size and time only once the file has been left
// alone a while; these make scratch files look so, and change one in a way
// its size and time do not show.

// Sets the folder and everything in it an hour back.
inline void AgeFileTree(const QString& folder) {
    namespace fs = std::filesystem;
    const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(folder.toStdString(), hourAgo);
    for (const auto& entry : fs::recursive_directory_iterator(folder.toStdString()))
        fs::last_write_time(entry.path(), hourAgo);
}

// Replaces `from` by `to` (of the same length) in the file, keeping its time.
inline void RewriteUnseen(const QString& path, const QByteArray& from, const QByteArray& to) {
    namespace fs = std::filesystem;
    ASSERT_EQ(from.size(), to.size());
    const auto time = fs::last_write_time(path.toStdString());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray text = file.readAll();
    ASSERT_TRUE(text.contains(from));
    text.replace(from, to);
    file.seek(0);
    file.write(text);
    file.close();
    fs::last_write_time(path.toStdString(), time);
}
