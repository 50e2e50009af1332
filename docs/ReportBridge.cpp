#include "ReportBridge.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include "components/Dialogs.h"
#include "report/LeafpressEntry.h"

namespace ink {

namespace {

const QString LoadErrorText = QStringLiteral("Error: Cannot load library Leafpress.dll");
const QString ExecuteErrorText = QStringLiteral("Error: Cannot execute library Leafpress.dll");

// Unloads on every path out of RunReport once the library is in.
class LoadedLibrary {
public:
    explicit LoadedLibrary(QLibrary& library) : library_(library) {}
    ~LoadedLibrary() { library_.unload(); }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

private:
    QLibrary& library_;
};

// QLibrary tries other names ("libX", "X.so") when the one given is absent;
// only the file named exactly so may be loaded, and never one found relative
// to the current folder.
bool loadExactly(QLibrary& library, const QString& filePath) {
    if (QDir::isRelativePath(filePath) || !QFileInfo(filePath).isFile())
        return false;
    library.setFileName(filePath);
    if (!library.load())
        return false;
    if (QFileInfo(library.fileName()) != QFileInfo(filePath)) {
        library.unload();
        return false;
    }
    return true;
}

} // namespace

void RunReport(const QString& libraryFolder, std::int32_t docNo, Dialogs& dialogs) {
    const QString filePath = QDir(libraryFolder).filePath(QString::fromLatin1(LeafpressFileName));
    QLibrary library;
    if (!loadExactly(library, filePath)) {
        dialogs.error(LoadErrorText);
        return;
    }
    LoadedLibrary unloadAtEnd(library);
    auto loadReport = reinterpret_cast<LoadReportFunction>(library.resolve(LeafpressEntryName));
    if (loadReport == nullptr) {
        dialogs.error(ExecuteErrorText);
        return;
    }
    loadReport(docNo);
}

} // namespace ink
