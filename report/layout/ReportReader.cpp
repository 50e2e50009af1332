#include "ReportReader.h"

#include <memory>
#include <QFileInfo>
#include <sqlite3.h>

#include "ReportError.h"
#include "store/Database.h"
#include "store/StoreError.h"
#include "store/TDM1.h"

namespace ink {

namespace {

// Inkwright may be writing (a refresh) while the report reads.
constexpr int BusyTimeoutMs = 5000;
// How the store keeps dates; older rows may be in ISO form.
const QString StoredDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

class ReadOnlyDatabase {
public:
    // Read-only access never changes the store, and reads it also from a
    // folder the user may not write.
    explicit ReadOnlyDatabase(const QString& filePath) : filePath_(filePath) {
        if (!QFileInfo(filePath).isFile())
            throw ReportError(
                QStringLiteral("The documentation database %1 does not exist.").arg(filePath));
        try {
            store_ = std::make_unique<Database>(
                filePath,
                QList<TableDef>{TDM1::docsDefinition(), TDM1::unitsDefinition(),
                                TDM1::procsDefinition()},
                Database::Access::ReadOnly);
        } catch (const StoreError& error) {
            throw ReportError(error.message());
        }
        sqlite3_busy_timeout(store_->handle(), BusyTimeoutMs);
    }

    StatementHandle prepare(const QString& sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(store_->handle(), sql.toUtf8().constData(), -1, &statement, nullptr) !=
            SQLITE_OK)
            fail();
        return StatementHandle(statement);
    }

    // True while a row is ready.
    bool step(sqlite3_stmt* statement) {
        const int result = sqlite3_step(statement);
        if (result == SQLITE_ROW)
            return true;
        if (result != SQLITE_DONE)
            fail();
        return false;
    }

    // One read transaction, so the document, its units and its routines are
    // read as they stood at one moment.
    void beginRead() { step(prepare(QStringLiteral("BEGIN")).get()); }

    [[noreturn]] void fail() const {
        const QString reason = QString::fromUtf8(sqlite3_errmsg(store_->handle()));
        throw ReportError(QStringLiteral("The documentation database %1 cannot be read: %2")
                              .arg(filePath_, reason));
    }

private:
    QString filePath_;
    std::unique_ptr<Database> store_;
};

QString textAt(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(statement, column)) : QString();
}

bool isNullAt(sqlite3_stmt* statement, int column) {
    return sqlite3_column_type(statement, column) == SQLITE_NULL;
}

QDateTime dateTimeAt(sqlite3_stmt* statement, int column) {
    const QString text = textAt(statement, column);
    QDateTime moment = QDateTime::fromString(text, StoredDateTimeFormat);
    if (!moment.isValid())
        moment = QDateTime::fromString(text, Qt::ISODate);
    return moment;
}

QString documentColumns() {
    QStringList columns{"DocName", "DocAuthor", "DocCompany", "DocDate", "DocSize", "IsVerInfo"};
    for (const VersionField& field : VersionFields)
        columns.append(QString::fromLatin1(field.column));
    return columns.join(QStringLiteral(", "));
}

std::optional<ReportDocument> readDocumentRow(ReadOnlyDatabase& db, qint32 docNo) {
    StatementHandle statement =
        db.prepare(QStringLiteral("SELECT %1 FROM DocsLib WHERE DocNo = ?").arg(documentColumns()));
    sqlite3_bind_int(statement.get(), 1, docNo);
    if (!db.step(statement.get()))
        return std::nullopt;

    ReportDocument document;
    document.docNo = docNo;
    document.name = textAt(statement.get(), 0);
    document.author = textAt(statement.get(), 1);
    document.company = textAt(statement.get(), 2);
    document.modified = dateTimeAt(statement.get(), 3);
    if (!isNullAt(statement.get(), 4))
        document.sizeKb = sqlite3_column_int64(statement.get(), 4);
    document.includeVersionInfo = sqlite3_column_int(statement.get(), 5) != 0;
    for (int i = 0; i < int(VersionFields.size()); ++i)
        document.versionValues.append(textAt(statement.get(), 6 + i));
    return document;
}

QList<ReportRoutine> readRoutines(ReadOnlyDatabase& db, qint32 docNo, qint64 unitNo) {
    StatementHandle statement =
        db.prepare(QStringLiteral("SELECT ProcType, ProcName, ProcParams, ResultType, Description "
                                  "FROM ProcsLib WHERE DocNo = ? AND UnitNo = ? ORDER BY ProcNo"));
    sqlite3_bind_int(statement.get(), 1, docNo);
    sqlite3_bind_int64(statement.get(), 2, unitNo);
    QList<ReportRoutine> routines;
    while (db.step(statement.get()))
        routines.append({textAt(statement.get(), 0), textAt(statement.get(), 1),
                         textAt(statement.get(), 2), textAt(statement.get(), 3),
                         textAt(statement.get(), 4)});
    return routines;
}

QList<ReportUnit> readUnits(ReadOnlyDatabase& db, qint32 docNo) {
    StatementHandle statement =
        db.prepare(QStringLiteral("SELECT UnitNo, UnitName, FormName, Description "
                                  "FROM UnitsLib WHERE DocNo = ? ORDER BY UnitNo"));
    sqlite3_bind_int(statement.get(), 1, docNo);
    QList<ReportUnit> units;
    while (db.step(statement.get())) {
        ReportUnit unit{
            textAt(statement.get(), 1), textAt(statement.get(), 2), textAt(statement.get(), 3), {}};
        unit.routines = readRoutines(db, docNo, sqlite3_column_int64(statement.get(), 0));
        units.append(unit);
    }
    return units;
}

} // namespace

std::optional<ReportDocument> readReportDocument(const QString& databaseFile, qint32 docNo) {
    ReadOnlyDatabase db(databaseFile);
    db.beginRead();
    std::optional<ReportDocument> document = readDocumentRow(db, docNo);
    if (document)
        document->units = readUnits(db, docNo);
    return document;
}

} // namespace ink
