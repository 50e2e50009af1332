// scripts/check-layers on a small tree of its own: the real tree passing
// proves little, so each way of pointing the wrong way is planted and must
// be found.
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <algorithm>

namespace {

struct LayerRun {
    int status = -1;
    QString out;
};

LayerRun checkLayers(const QString& root) {
    QProcess process;
    process.start(QStringLiteral(INKWRIGHT_SOURCE_DIR "/scripts/check-layers"), {root});
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

// A tree that keeps every rule, with one of each allowed form.
void layCleanTree(const TempDir& dir) {
    dir.write("app/TfrmInkwright.h", "#include <QWidget>\n#include \"store/Database.h\"\n");
    dir.write("app/DBGrid.cpp", "#include \"DBGrid.h\"\n#include <QtWidgets/QTableView>\n");
    dir.write("app/DBGrid.h", "");
    dir.write("store/Database.h", "#include <QString>\n");
    dir.write("store/RegularFile.h", "");
    dir.write("store/Database.cpp",
              "#include \"Database.h\"\n#include <sqlite3.h>\n#include <libpq-fe.h>\n");
    dir.write("store/testing/FaultyVfs.h", "");
    dir.write("store/testing/FaultyVfs.cpp",
              "#include <sqlite3.h>\n#include \"store/Database.h\"\n");
    dir.write("store/CMakeLists.txt", "target_link_libraries(x SQLite::SQLite3 PkgConfig::PQ)\n");
    dir.write("scan/UnitScanner.cpp", "#include \"store/RegularFile.h\"\n#include <QHash>\n");
    dir.write("scan/BuildDocument.cpp", "#include \"../store/Database.h\"\n");
    dir.write("components/EventSound.cpp",
              "#include <canberra.h>\n#include \"store/RegularFile.h\"\n");
    dir.write("report/layout/ReportLayout.h", "#include <QPainter>\n#include <QPrinter>\n");
    dir.write("report/preview/ReportPreview.cpp",
              "#include \"../layout/ReportLayout.h\"\n#include <QPrintDialog>\n");
    dir.write("report/CMakeLists.txt", "target_link_libraries(y Qt6::Widgets)\n");
    dir.write("tools/ExportCommand.cpp", "#include \"report/layout/ReportLayout.h\"\n");
}

} // namespace

TEST(CheckLayers, FindsEveryIncludeFormAndLibraryThatPointsTheWrongWay) {
    TempDir dir;
    layCleanTree(dir);
    const LayerRun clean = checkLayers(dir.path());
    ASSERT_EQ(clean.status, 0) << qPrintable(clean.out);

    struct Plant {
        const char* file;
        const char* line;
    };
    const Plant plants[] = {
        {"store/Bad.cpp", "#include \"app/TfrmInkwright.h\""},
        {"store/Bad.cpp", "#include <app/TfrmInkwright.h>"},
        {"store/Bad.cpp", "#include \"../app/TfrmInkwright.h\""},
        {"store/Bad.cpp", "  #  include   \"app/TfrmInkwright.h\""},
        {"store/Bad.cpp", "#include <QWidget>"},
        {"store/Bad.cpp", "#include <QGuiApplication>"},
        {"store/Bad.cpp", "#include \"testing/FaultyVfs.h\""},
        {"app/Bad.cpp", "#include \"store/testing/FaultyVfs.h\""},
        {"docs/Bad.cpp", "#include <QtWidgets/QLabel>"},
        {"docs/Bad.cpp", "#include <QPrintDialog>"},
        {"report/layout/Bad.cpp", "#include <sqlite3.h>"},
        {"report/layout/Bad.cpp", "#include \"sqlite3.h\""},
        {"report/layout/Bad.cpp", "#include <libpq-fe.h>"},
        {"report/layout/Bad.cpp", "#include \"report/preview/ReportPreview.h\""},
        {"report/layout/Bad.cpp", "#include \"../preview/ReportPreview.h\""},
        {"report/layout/Bad.cpp", "#include <QWidget>"},
        {"scan/Bad.cpp", "#include \"store/Database.h\""},
        {"scan/Bad.cpp", "#include \"../store/Database.h\""},
        {"app/Bad.cpp", "#include <enchant.h>"},
        {"tools/Bad.cpp", "#include \"app/TfrmInkwright.h\""},
        {"tools/CMakeLists.txt", "target_link_libraries(y SQLite::SQLite3)"},
        {"app/CMakeLists.txt", "target_link_libraries(z PkgConfig::PQ)"},
    };
    // Each line goes in a file of its own, so one run must name every one.
    QStringList expected;
    int count = 0;
    for (const Plant& plant : plants) {
        QString file = QString::fromUtf8(plant.file);
        if (!file.endsWith("CMakeLists.txt"))
            file.replace("Bad", QStringLiteral("Bad%1").arg(++count));
        dir.write(file, QByteArray(plant.line) + "\n");
        expected << (file.endsWith("CMakeLists.txt") ? file + ": " : file + ":1: ");
    }
    const LayerRun run = checkLayers(dir.path());
    EXPECT_EQ(run.status, 1);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    for (const QString& prefix : expected) {
        const auto found = std::count_if(lines.begin(), lines.end(), [&](const QString& line) {
            return line.startsWith(prefix);
        });
        EXPECT_EQ(found, 1) << qPrintable(prefix) << "\n" << qPrintable(run.out);
    }
    EXPECT_EQ(lines.size(), expected.size()) << qPrintable(run.out);
}
