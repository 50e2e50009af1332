// The crash test's child: starts the store like the program does, then posts
// routine rows one by one and writes the number of each row to stdout once
// its Post has returned. The parent kills it at a random moment.
#include <cstdio>
#include <memory>
#include <QVariant>

#include "store/AliasRegistry.h"
#include "store/Startup.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"

using namespace ink;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: store_crash_child <config file> <program folder>\n");
        return 2;
    }
    auto registry = std::make_shared<AliasRegistry>(QString::fromLocal8Bit(argv[1]));
    const QString data = dataDirectoryFor(QString::fromLocal8Bit(argv[2]));
    createDataDirectory(data);
    EnsureDatabaseAlias(*registry, TDM1::AliasName, data, true);
    TDM1 dm(nullptr, registry);
    OpenOrCreateTables(dm);
    if (dm.tblDocs->isEmpty())
        dm.tblDocs->append({QVariant(), "CRASH"});
    if (dm.tblUnits->isEmpty())
        dm.tblUnits->append({dm.tblDocsDocNo->value(), QVariant(), "Main.pas"});

    for (int n = dm.tblProc->recordCount();; ++n) {
        dm.tblProc->append({dm.tblUnitsDocNo->value(), dm.tblUnitsUnitNo->value(), QVariant(),
                            QStringLiteral("R%1").arg(n)});
        dm.tblProc->edit();
        dm.tblProcDescription->setValue(QStringLiteral("posted %1").arg(n));
        dm.tblProc->post();
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}
