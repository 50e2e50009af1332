// Handing a document to the report library: which file is loaded, what it is
// given, what the user sees when it fails, and that it is let go after.
#include <gtest/gtest.h>
#include <limits>
#include <QDir>
#include <QFile>
#include <QLibrary>

#include "docs/ReportBridge.h"
#include "tests/support/PrintQt.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TempDir.h"

using namespace ink;

namespace {

const QString LoadError = QStringLiteral("Error: Cannot load library Leafpress.dll");
const QString ExecuteError = QStringLiteral("Error: Cannot execute library Leafpress.dll");

class ReportBridgeTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("LEAFPRESS_STUB_LOG", logFile.toLocal8Bit()); }
    void TearDown() override { qunsetenv("LEAFPRESS_STUB_LOG"); }

    // Copies a stub into a folder under `name`; returns the folder.
    QString install(const char* stub, const QString& folder,
                    const QString& name = QStringLiteral("Leafpress.dll")) const {
        const QString target = temp.filePath(folder + '/' + name);
        EXPECT_TRUE(QFile::copy(QString::fromUtf8(stub), target)) << target.toStdString();
        return QFileInfo(target).absolutePath();
    }

    QStringList stubLog() const {
        QFile file(logFile);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    TempDir temp;
    QString logFile = temp.filePath("stub.log");
    ScriptedDialogs dialogs;
};

TEST_F(ReportBridgeTest, OnlyTheLibraryInTheGivenFolderUnderItsExactName) {
    // Near misses in the folder, and the real name in the current folder,
    // must all be passed over.
    const QString folder = install(STUB_LIBRARY, "app", "libLeafpress.dll");
    install(STUB_LIBRARY, "app", "Leafpress.dll.so");
    install(STUB_LIBRARY, "app", "leafpress.dll");
    const QString current = install(STUB_LIBRARY, "current");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(current));

    RunReport(folder, 7, dialogs);
    RunReport(QString(), 7, dialogs);
    RunReport(QStringLiteral("."), 7, dialogs);
    QDir::setCurrent(previous);

    EXPECT_EQ(dialogs.texts("error"), QStringList({LoadError, LoadError, LoadError}));
    EXPECT_EQ(dialogs.shown.first().caption, "Error");
    EXPECT_TRUE(stubLog().isEmpty()) << stubLog().join(',').toStdString();
}

TEST_F(ReportBridgeTest, AFileThatIsNoLibraryGivesTheLoadError) {
    temp.write("app/Leafpress.dll", "MZ this is not a library");
    RunReport(temp.filePath("app"), 1, dialogs);
    EXPECT_EQ(dialogs.texts("error"), QStringList{LoadError});
}

TEST_F(ReportBridgeTest, ALibraryWithoutTheEntryGivesTheExecuteErrorAndIsUnloaded) {
    RunReport(install(STUB_LIBRARY_NO_ENTRY, "app"), 1, dialogs);
    EXPECT_EQ(dialogs.texts("error"), QStringList{ExecuteError});
    EXPECT_EQ(stubLog(), QStringList({"load", "unload"}));
}

TEST_F(ReportBridgeTest, TheEntryGetsTheDocNoAndTheLibraryIsUnloadedAfterEachCall) {
    const QString folder = install(STUB_LIBRARY, "app");
    // 0 is what "Preview" passes with an empty document list.
    for (qint32 docNo : {42, 0, std::numeric_limits<qint32>::max(), -1})
        RunReport(folder, docNo, dialogs);

    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(stubLog(), QStringList({"load", "call 42", "unload",         //
                                      "load", "call 0", "unload",          //
                                      "load", "call 2147483647", "unload", //
                                      "load", "call -1", "unload"}));
}

#ifdef __linux__
bool isMapped(const QString& filePath) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) &&
           QString::fromLocal8Bit(maps.readAll()).contains(QFileInfo(filePath).canonicalFilePath());
}

// The real library keeps nothing that would pin it in memory once let go.
TEST(ReportLibraryTest, ExportsLoadReportAndUnloadsCompletely) {
    const QString library = QStringLiteral(LEAFPRESS_LIBRARY);
    QLibrary leafpress(library);
    ASSERT_TRUE(leafpress.load()) << leafpress.errorString().toStdString();
    EXPECT_NE(leafpress.resolve("LoadReport"), nullptr);
    EXPECT_EQ(leafpress.resolve("_ZN3ink10reportHtmlERNS_12ReportSourceERK7QLocale"), nullptr);
    EXPECT_TRUE(isMapped(library));
    EXPECT_TRUE(leafpress.unload());
    EXPECT_FALSE(isMapped(library));
}
#endif

} // namespace
