#include "ReportReader.h"

#include <QFileInfo>

#include "ReportError.h"
#include "store/Database.h"
#include "store/Statement.h"
#include "store/StoreError.h"
#include "store/TDM1.h"

namespace ink {

namespace {

// How the store keeps dates; older rows may be in ISO form.
const QString StoredDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString textAt(const Statement& statement, int column) {
    return statement.isNullAt(column) ? QString() : statement.textAt(column);
}

QDateTime dateTimeAt(const Statement& statement, int column) {
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

std::optional<ReportDocument> readDocumentRow(Database& db, qint32 docNo) {
    Statement statement(
        db, QStringLiteral("SELECT %1 FROM DocsLib WHERE DocNo = ?").arg(documentColumns()));
    statement.bindInteger(1, docNo);
    if (!statement.step())
        return std::nullopt;

    ReportDocument document;
    document.docNo = docNo;
    document.name = textAt(statement, 0);
    document.author = textAt(statement, 1);
    document.company = textAt(statement, 2);
    document.modified = dateTimeAt(statement, 3);
    if (!statement.isNullAt(4))
        document.sizeKb = statement.integerAt(4);
    document.includeVersionInfo = statement.integerAt(5) != 0;
    for (int i = 0; i < int(VersionFields.size()); ++i)
        document.versionValues.append(textAt(statement, 6 + i));
    return document;
}

QList<ReportRoutine> readRoutines(Statement& statement, qint32 docNo, qint64 unitNo) {
    statement.bindInteger(1, docNo);
    statement.bindInteger(2, unitNo);
    QList<ReportRoutine> routines;
    while (statement.step())
        routines.append({textAt(statement, 0), textAt(statement, 1), textAt(statement, 2),
                         textAt(statement, 3), textAt(statement, 4)});
    statement.reset();
    return routines;
}

QList<ReportUnit> readUnits(Database& db, qint32 docNo) {
    Statement units(db, QStringLiteral("SELECT UnitNo, UnitName, FormName, Description "
                                       "FROM UnitsLib WHERE DocNo = ? ORDER BY UnitNo"));
    Statement routines(db, QStringLiteral("SELECT ProcType, ProcName, ProcParams, ResultType, "
                                          "Description FROM ProcsLib WHERE DocNo = ? AND "
                                          "UnitNo = ? ORDER BY ProcNo"));
    units.bindInteger(1, docNo);
    QList<ReportUnit> result;
    while (units.step()) {
        ReportUnit unit{textAt(units, 1), textAt(units, 2), textAt(units, 3), {}};
        unit.routines = readRoutines(routines, docNo, units.integerAt(0));
        result.append(unit);
    }
    return result;
}

} // namespace

std::optional<ReportDocument> readReportDocument(const QString& databaseFile, qint32 docNo) {
    if (!QFileInfo(databaseFile).isFile())
        throw ReportError(
            QStringLiteral("The documentation database %1 does not exist.").arg(databaseFile));
    try {
        // Read-only: the report never changes the store, and reads it also
        // from a folder the user may not write.
        Database db(databaseFile, {}, Database::Access::ReadOnly);
        // One read transaction, so the document, its units and its routines
        // are read as they stood at one moment.
        db.exec(QStringLiteral("BEGIN"));
        std::optional<ReportDocument> document = readDocumentRow(db, docNo);
        if (document)
            document->units = readUnits(db, docNo);
        return document;
    } catch (const StoreError& error) {
        throw ReportError(error.message()); // names the file and the reason
    }
}

} // namespace ink
