#pragma once
#include <chrono>
#include <functional>
#include <QString>
#include <QStringList>

// Files that are not regular files, for the readers that must refuse them.

// Makes a named pipe at `path` and returns the path; throws when it cannot.
QString MakeFifo(const QString& path);

// Runs `work` on a thread of its own and tells whether it returned within
// `limit` by itself. A reader still blocked on one of `fifos` after that is
// let go (a writer opens the pipe and closes it again, so the reader meets
// its end), so a reader that waits fails its test instead of hanging the run.
bool ReturnsWithin(std::chrono::milliseconds limit, const QStringList& fifos,
                   const std::function<void()>& work);
