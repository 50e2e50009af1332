// Appending routine rows as a document build does: one batch per build,
// a unit row followed by its routines, the commit included in the time.
// Beside it the floor: the same rows written into the same kind of store, in
// the same kind of batch, by bare prepared statements of one row each. The
// same for declaration rows, which a build writes about four times as many of
// as routines, with one more floor: bare statements of 32 rows each, the way
// the embedded store writes the rows a batch holds back.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <QTemporaryDir>
#include <sqlite3.h>

#include "store/AliasRegistry.h"
#include "store/Database.h"
#include "store/NewDeclarations.h"
#include "store/SqliteBackend.h"
#include "store/Startup.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace {

constexpr int UnitsPerBuild = 100;
constexpr int RoutinesPerUnit = 100;

const QString Params = QStringLiteral("Sender: TObject; var Key: Word");

struct AppendStore {
    QTemporaryDir folder;
    std::shared_ptr<ink::AliasRegistry> registry =
        std::make_shared<ink::AliasRegistry>(folder.filePath("DatabaseEngine.ini"));
    std::unique_ptr<ink::TDM1> dm;
    QVariant docNo;

    AppendStore() {
        const QString data = ink::dataDirectoryFor(folder.path());
        ink::createDataDirectory(data);
        ink::EnsureDatabaseAlias(*registry, ink::TDM1::AliasName, data, true);
        dm = std::make_unique<ink::TDM1>(nullptr, registry);
        ink::OpenOrCreateTables(*dm);
        dm->tblDocs->append({QVariant(), "BENCH"});
        docNo = dm->tblDocsDocNo->value();
    }
};

void appendRoutinesInABatch(benchmark::State& state) {
    AppendStore store;
    ink::TDM1& dm = *store.dm;
    for (auto _ : state) {
        ink::Batch build(dm.database());
        for (int unit = 0; unit < UnitsPerBuild; ++unit) {
            dm.tblUnits->append({store.docNo, QVariant(), QStringLiteral("Unit%1.pas").arg(unit)});
            const QVariant unitNo = dm.tblUnitsUnitNo->value();
            for (int routine = 0; routine < RoutinesPerUnit; ++routine)
                dm.tblProc->append({store.docNo, unitNo, QVariant(),
                                    QStringLiteral("Routine%1").arg(routine),
                                    QStringLiteral("PROCEDURE"), Params, QStringLiteral("<None>")});
        }
    }
    state.SetItemsProcessed(state.iterations() * UnitsPerBuild * RoutinesPerUnit);
    state.SetLabel("routine rows");
}

void bindText(sqlite3_stmt* statement, int parameter, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, parameter, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void bareInsertsInATransaction(benchmark::State& state) {
    AppendStore store;
    sqlite3* db = dynamic_cast<ink::SqliteBackend&>(store.dm->database().backend()).handle();
    sqlite3_stmt* unitInsert = nullptr;
    sqlite3_stmt* procInsert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO UnitsLib (DocNo, UnitName) VALUES (?1, ?2)", -1,
                       &unitInsert, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO ProcsLib (DocNo, UnitNo, ProcName, ProcType, ProcParams, "
                       "ResultType) VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
                       -1, &procInsert, nullptr);
    const qint64 docNo = store.docNo.toLongLong();
    for (auto _ : state) {
        ink::Batch build(store.dm->database());
        for (int unit = 0; unit < UnitsPerBuild; ++unit) {
            sqlite3_bind_int64(unitInsert, 1, docNo);
            bindText(unitInsert, 2, QStringLiteral("Unit%1.pas").arg(unit));
            sqlite3_step(unitInsert);
            sqlite3_reset(unitInsert);
            const qint64 unitNo = sqlite3_last_insert_rowid(db);
            for (int routine = 0; routine < RoutinesPerUnit; ++routine) {
                sqlite3_bind_int64(procInsert, 1, docNo);
                sqlite3_bind_int64(procInsert, 2, unitNo);
                bindText(procInsert, 3, QStringLiteral("Routine%1").arg(routine));
                bindText(procInsert, 4, QStringLiteral("PROCEDURE"));
                bindText(procInsert, 5, Params);
                bindText(procInsert, 6, QStringLiteral("<None>"));
                sqlite3_step(procInsert);
                sqlite3_reset(procInsert);
            }
        }
    }
    sqlite3_finalize(unitInsert);
    sqlite3_finalize(procInsert);
    state.SetItemsProcessed(state.iterations() * UnitsPerBuild * RoutinesPerUnit);
    state.SetLabel("routine rows");
}

// A method of a class as the reader gives it, and where its row goes.
struct BenchDeclaration {
    ink::DeclarationPlace place;
    ink::Declaration declaration;
};

BenchDeclaration declarationRow(qint64 docNo, qint64 unitNo, int number) {
    ink::Declaration d;
    d.kind = ink::DeclKind::Procedure;
    d.name = QStringLiteral("Routine%1").arg(number);
    d.owner = QStringLiteral("TShape");
    d.overloadKey = QStringLiteral("const string;integer");
    d.text =
        QStringLiteral("procedure Routine%1(const S: string; N: Integer); virtual;").arg(number);
    d.visibility = QStringLiteral("public");
    d.directives = QStringLiteral("virtual");
    d.line = number + 10;
    return {{docNo, unitNo, unitNo, {}}, d};
}

void insertDeclarationsInABatch(benchmark::State& state) {
    AppendStore store;
    ink::TDM1& dm = *store.dm;
    const QDateTime stamp = QDateTime::currentDateTime();
    for (auto _ : state) {
        ink::Batch build(dm.database());
        ink::NewDeclarations inserts(dm.database(), stamp);
        for (int unit = 0; unit < UnitsPerBuild; ++unit)
            for (int number = 0; number < RoutinesPerUnit; ++number) {
                const BenchDeclaration row =
                    declarationRow(store.docNo.toLongLong(), unit + 1, number);
                inserts.insert(row.place, row.declaration);
            }
    }
    state.SetItemsProcessed(state.iterations() * UnitsPerBuild * RoutinesPerUnit);
    state.SetLabel("declaration rows");
}

void bareDeclarationInsertsInATransaction(benchmark::State& state) {
    AppendStore store;
    sqlite3* db = dynamic_cast<ink::SqliteBackend&>(store.dm->database().backend()).handle();
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO DeclsLib (DocNo, UnitNo, ParentNo, DeclKind, DeclName, Owner, "
                       "OverloadKey, Declaration, Visibility, Directives, SourceLine, LastSeen) "
                       "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)",
                       -1, &insert, nullptr);
    const QString stamp = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss");
    for (auto _ : state) {
        ink::Batch build(store.dm->database());
        for (int unit = 0; unit < UnitsPerBuild; ++unit)
            for (int number = 0; number < RoutinesPerUnit; ++number) {
                const BenchDeclaration bench =
                    declarationRow(store.docNo.toLongLong(), unit + 1, number);
                sqlite3_bind_int64(insert, 1, bench.place.docNo);
                sqlite3_bind_int64(insert, 2, bench.place.unitNo);
                sqlite3_bind_int64(insert, 3, bench.place.parentNo);
                bindText(insert, 4, ink::DeclKindName(bench.declaration.kind));
                bindText(insert, 5, bench.declaration.name);
                bindText(insert, 6, bench.declaration.owner);
                bindText(insert, 7, bench.declaration.overloadKey);
                bindText(insert, 8, bench.declaration.text);
                bindText(insert, 9, bench.declaration.visibility);
                bindText(insert, 10, bench.declaration.directives);
                sqlite3_bind_int64(insert, 11, bench.declaration.line);
                bindText(insert, 12, stamp);
                sqlite3_step(insert);
                sqlite3_reset(insert);
            }
    }
    sqlite3_finalize(insert);
    state.SetItemsProcessed(state.iterations() * UnitsPerBuild * RoutinesPerUnit);
    state.SetLabel("declaration rows");
}

void bareDeclarationInserts32AtATime(benchmark::State& state) {
    constexpr int RowsPerStatement = 32;
    AppendStore store;
    sqlite3* db = dynamic_cast<ink::SqliteBackend&>(store.dm->database().backend()).handle();
    // An INSERT of `rows` rows; a unit's last rows go in a shorter one.
    auto prepare = [db](int rows) {
        QByteArray sql = "INSERT OR FAIL INTO DeclsLib (DocNo, UnitNo, ParentNo, DeclKind, "
                         "DeclName, Owner, OverloadKey, Declaration, Visibility, Directives, "
                         "SourceLine, LastSeen) VALUES ";
        for (int row = 0; row < rows; ++row)
            sql += row == 0 ? "(?,?,?,?,?,?,?,?,?,?,?,?)" : ",(?,?,?,?,?,?,?,?,?,?,?,?)";
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr);
        return insert;
    };
    sqlite3_stmt* full = prepare(RowsPerStatement);
    sqlite3_stmt* last = prepare(RoutinesPerUnit % RowsPerStatement);
    const QString stamp = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss");
    for (auto _ : state) {
        ink::Batch build(store.dm->database());
        for (int unit = 0; unit < UnitsPerBuild; ++unit)
            for (int first = 0; first < RoutinesPerUnit; first += RowsPerStatement) {
                const int rows = std::min(RowsPerStatement, RoutinesPerUnit - first);
                sqlite3_stmt* insert = rows == RowsPerStatement ? full : last;
                for (int i = 0; i < rows; ++i) {
                    const BenchDeclaration bench =
                        declarationRow(store.docNo.toLongLong(), unit + 1, first + i);
                    const int at = i * 12;
                    sqlite3_bind_int64(insert, at + 1, bench.place.docNo);
                    sqlite3_bind_int64(insert, at + 2, bench.place.unitNo);
                    sqlite3_bind_int64(insert, at + 3, bench.place.parentNo);
                    bindText(insert, at + 4, ink::DeclKindName(bench.declaration.kind));
                    bindText(insert, at + 5, bench.declaration.name);
                    bindText(insert, at + 6, bench.declaration.owner);
                    bindText(insert, at + 7, bench.declaration.overloadKey);
                    bindText(insert, at + 8, bench.declaration.text);
                    bindText(insert, at + 9, bench.declaration.visibility);
                    bindText(insert, at + 10, bench.declaration.directives);
                    sqlite3_bind_int64(insert, at + 11, bench.declaration.line);
                    bindText(insert, at + 12, stamp);
                }
                if (sqlite3_step(insert) != SQLITE_DONE)
                    state.SkipWithError(sqlite3_errmsg(db));
                sqlite3_reset(insert);
            }
    }
    sqlite3_finalize(full);
    sqlite3_finalize(last);
    state.SetItemsProcessed(state.iterations() * UnitsPerBuild * RoutinesPerUnit);
    state.SetLabel("declaration rows");
}

} // namespace

BENCHMARK(insertDeclarationsInABatch)->Unit(benchmark::kMillisecond);
BENCHMARK(bareDeclarationInsertsInATransaction)->Unit(benchmark::kMillisecond);
BENCHMARK(bareDeclarationInserts32AtATime)->Unit(benchmark::kMillisecond);
BENCHMARK(appendRoutinesInABatch)->Unit(benchmark::kMillisecond);
BENCHMARK(bareInsertsInATransaction)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
