// Units scanned ahead on a thread of their own come back in the order asked,
// each as a scan on its own would give it, and stopping early never hangs.
#include <gtest/gtest.h>

#include "scan/ScanAhead.h"
#include "scan/UnitScanner.h"
#include "support/TempDir.h"

using namespace ink;

namespace {

QStringList unitFiles(const TempDir& temp, int count) {
    QStringList paths;
    temp.write("inc/shared.inc", "procedure FromInclude;\n");
    for (int i = 0; i < count; ++i)
        paths << temp.write(QStringLiteral("u/Unit%1.pas").arg(i),
                            QStringLiteral("unit Unit%1;\ninterface\n{$I ../inc/shared.inc}\n"
                                           "function Get%1(N: Integer): Integer;\n"
                                           "implementation\nend.\n")
                                .arg(i)
                                .toUtf8());
    paths.insert(count / 2, temp.filePath("u/Missing.pas")); // placeholders, in its place
    return paths;
}

QStringList listed(const UnitRoutines& routines) {
    QStringList texts;
    for (const RoutineRow& row : routines.rows)
        texts << row.name << row.params;
    return texts;
}

} // namespace

TEST(ScanAhead, GivesEveryUnitInOrderAsAScanOfItsOwn) {
    TempDir temp;
    const QStringList paths = unitFiles(temp, 150); // more than it reads ahead
    ScanAhead scanner(paths, temp.path());
    for (const QString& path : paths) {
        const UnitRoutines ahead = scanner.next().routines;
        const UnitRoutines alone = ScanUnitRoutines(path, temp.path());
        EXPECT_EQ(listed(ahead), listed(alone)) << path.toStdString();
        EXPECT_EQ(ahead.fileSize, alone.fileSize);
    }
}

TEST(ScanAhead, StopsWhenLeftWithResultsNotTaken) {
    TempDir temp;
    const QStringList paths = unitFiles(temp, 200);
    {
        ScanAhead scanner(paths, temp.path());
        scanner.next();
    } // the thread waits with a full queue; leaving must end it
    SUCCEED();
}
