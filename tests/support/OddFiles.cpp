#include "OddFiles.h"

#include <fcntl.h>
#include <future>
#include <QFile>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

QString MakeFifo(const QString& path) {
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        throw std::runtime_error("cannot make the pipe " + path.toStdString());
    return path;
}

bool ReturnsWithin(std::chrono::milliseconds limit, const QStringList& fifos,
                   const std::function<void()>& work) {
    std::packaged_task<void()> task(work);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    const bool inTime = done.wait_for(limit) == std::future_status::ready;
    // Opening without waiting succeeds only while someone has the pipe open
    // for reading; closing it then ends that reader's wait.
    while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        for (const QString& fifo : fifos) {
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
    }
    runner.join();
    done.get(); // an exception thrown by the work goes on to the test
    return inTime;
}
