#include "DocumentReader.h"

#include <QFileInfo>

#include "Database.h"
#include "Statement.h"
#include "StoreAddress.h"
#include "UserError.h"

namespace ink {

namespace {

// The declaration's own fields, as the model lists them, after the row's
// number, its parent's, its kind word, its description and ChangedFrom.
constexpr int FirstFieldColumn = 5;

QString declarationColumns() {
    QStringList columns;
    for (const DeclarationField& field : DeclarationFields())
        columns.append(QStringLiteral("d.") + QLatin1String(field.column));
    return columns.join(QStringLiteral(", "));
}

// How the store keeps dates; older rows may be in ISO form.
const QString StoredDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// A NUL is no text (the source reader drops it too); a store written by
// hand, or by another program, may still hold one.
QString textAt(const Statement& statement, int column) {
    if (statement.isNullAt(column))
        return {};
    QString text = statement.textAt(column);
    text.remove(QChar(0));
    return text;
}

QDateTime dateTimeAt(const Statement& statement, int column) {
    const QString text = textAt(statement, column);
    QDateTime moment = QDateTime::fromString(text, StoredDateTimeFormat);
    if (!moment.isValid())
        moment = QDateTime::fromString(text, Qt::ISODate);
    return moment;
}

bool hasColumn(Database& db, const QString& table, const QString& column) {
    return db.columnsOf(table).contains(column, Qt::CaseInsensitive);
}

// The columns of DocsLib a document row is read from, in the order read.
QString documentColumns(const QStringList& versionColumns, bool scanStamps, bool reportChoices) {
    QStringList columns{"DocName", "DocAuthor", "DocCompany", "DocDate",
                        "DocSize", "IsVerInfo", "DPRFileName"};
    columns += versionColumns;
    columns.append(scanStamps ? QStringLiteral("LastScan") : QStringLiteral("NULL"));
    if (reportChoices)
        columns += {QStringLiteral("ReportVisibility"), QStringLiteral("ReportEventHandlers")};
    return columns.join(QStringLiteral(", "));
}

} // namespace

DocumentReader::DocumentReader(const StoreAddress& store) {
    // Read-only: a report never changes the store, and reads it also from a
    // folder the user may not write.
    if (!store.isServer() && !QFileInfo(store.databaseFile()).isFile())
        throw UserError(QStringLiteral("The documentation database %1 does not exist.")
                            .arg(store.databaseFile()));
    db_ = std::make_unique<Database>(store, QList<TableDef>{}, Database::Access::ReadOnly);
    db_->beginSnapshot();
    hasDeclarations_ = hasColumn(*db_, QStringLiteral("ProcsLib"), QStringLiteral("Declaration"));
    hasMissingSources_ =
        hasColumn(*db_, QStringLiteral("UnitsLib"), QStringLiteral("MissingSource"));
    hasReportChoices_ =
        hasColumn(*db_, QStringLiteral("DocsLib"), QStringLiteral("ReportEventHandlers"));
    hasScanStamps_ = hasColumn(*db_, QStringLiteral("DocsLib"), QStringLiteral("LastScan")) &&
                     hasColumn(*db_, QStringLiteral("UnitsLib"), QStringLiteral("LastSeen")) &&
                     hasColumn(*db_, QStringLiteral("ProcsLib"), QStringLiteral("LastSeen"));
}

DocumentReader::~DocumentReader() = default;

std::optional<DocumentReader::DocumentRow> DocumentReader::open(qint32 docNo,
                                                                const QStringList& versionColumns) {
    Statement row(*db_,
                  QStringLiteral("SELECT %1 FROM DocsLib WHERE DocNo = ?")
                      .arg(documentColumns(versionColumns, hasScanStamps_, hasReportChoices_)));
    row.bindInteger(1, docNo);
    if (!row.step())
        return std::nullopt;
    DocumentRow document;
    document.name = textAt(row, 0);
    document.author = textAt(row, 1);
    document.company = textAt(row, 2);
    document.modified = dateTimeAt(row, 3);
    if (!row.isNullAt(4))
        document.sizeKb = row.integerAt(4);
    document.includeVersionInfo = row.integerAt(5) != 0;
    document.projectFile = textAt(row, 6);
    int column = 7;
    for (qsizetype i = 0; i < versionColumns.size(); ++i)
        document.versionValues.append(textAt(row, column++));
    // Stamps are stored in one sortable text form: the store compares them.
    lastScan_ = hasScanStamps_ && !row.isNullAt(column) ? QVariant(row.textAt(column)) : QVariant();
    ++column;
    if (hasReportChoices_) {
        document.reportVisibility = textAt(row, column);
        document.reportEventHandlers = !row.isNullAt(column + 1) && row.integerAt(column + 1) != 0;
    }
    docNo_ = docNo;
    Statement count(*db_, QStringLiteral("SELECT COUNT(*) FROM UnitsLib WHERE DocNo = ?"));
    count.bindInteger(1, docNo);
    count.step();
    document.unitCount = int(count.integerAt(0));
    document.coverage = ReadCoverage(*db_, docNo);
    prepareUnitReads();
    return document;
}

void DocumentReader::prepareUnitReads() {
    units_ = std::make_unique<Statement>(
        *db_, QStringLiteral("SELECT UnitNo, UnitName, FormName, Description%1 FROM UnitsLib "
                             "WHERE DocNo = ? ORDER BY UnitNo LIMIT %2 OFFSET ?")
                  .arg(hasMissingSources_ ? QStringLiteral(", MissingSource") : QString(),
                       db_->backend().allRows()));
    names_ = std::make_unique<Statement>(
        *db_, QStringLiteral("SELECT UnitName FROM UnitsLib WHERE DocNo = ? "
                             "ORDER BY UnitNo LIMIT ? OFFSET ?"));
    routines_ = std::make_unique<Statement>(
        *db_, QStringLiteral("SELECT ProcType, ProcName, ProcParams, ResultType, "
                             "Description%1 FROM ProcsLib WHERE DocNo = ? AND UnitNo = ? "
                             "ORDER BY ProcNo")
                  .arg(hasDeclarations_ ? QStringLiteral(", Declaration") : QString()));
    declarations_.reset();
    if (!db_->tableExists(QStringLiteral("DeclsLib")))
        return;
    // As the window strikes them through. A store from before units kept
    // DeclsSeen judges every declaration by the document's scan.
    const bool perUnit = hasColumn(*db_, QStringLiteral("UnitsLib"), QStringLiteral("DeclsSeen"));
    declarations_ = std::make_unique<Statement>(
        *db_,
        QStringLiteral("SELECT d.DeclNo, d.ParentNo, d.DeclKind, d.Description, d.ChangedFrom, "
                       "%1, %2 FROM DeclsLib d %3 WHERE d.DocNo = ?2 AND d.UnitNo = ?3 "
                       "ORDER BY d.DeclNo")
            .arg(declarationColumns(),
                 perUnit ? DeclarationLeftTheSourceSql(QStringLiteral("d"), QStringLiteral("u"), 1)
                         : LeftTheSourceSql(QStringLiteral("d.LastSeen"), QStringLiteral("?1")),
                 perUnit ? QStringLiteral("LEFT JOIN UnitsLib u ON u.UnitNo = d.UnitNo")
                         : QString()));
}

void DocumentReader::readUnits(int first, const std::function<bool(const UnitRow&)>& visit) {
    if (!units_)
        return;
    units_->reset();
    units_->bindInteger(1, docNo_);
    units_->bindInteger(2, first);
    UnitRow unit;
    bool more = true;
    while (more && units_->step()) {
        unit.unitNo = units_->integerAt(0);
        unit.name = textAt(*units_, 1);
        unit.form = textAt(*units_, 2);
        unit.description = textAt(*units_, 3);
        unit.missingSource = hasMissingSources_ ? textAt(*units_, 4) : QString();
        more = visit(unit);
    }
    units_->reset();
}

QStringList DocumentReader::unitNames(int first, int count) {
    QStringList names;
    if (!names_)
        return names;
    names_->bindInteger(1, docNo_);
    names_->bindInteger(2, count);
    names_->bindInteger(3, first);
    while (names_->step())
        names.append(textAt(*names_, 0));
    names_->reset();
    return names;
}

QList<DocumentReader::RoutineRow> DocumentReader::routines(qint64 unitNo) {
    QList<RoutineRow> rows;
    routines_->bindInteger(1, docNo_);
    routines_->bindInteger(2, unitNo);
    while (routines_->step())
        rows.append({textAt(*routines_, 0), textAt(*routines_, 1), textAt(*routines_, 2),
                     textAt(*routines_, 3), textAt(*routines_, 4),
                     hasDeclarations_ ? textAt(*routines_, 5) : QString()});
    routines_->reset();
    return rows;
}

QList<DocumentReader::DeclarationRow> DocumentReader::declarations(qint64 unitNo) {
    QList<DeclarationRow> rows;
    if (!declarations_)
        return rows;
    Statement& s = *declarations_;
    BindLastScan(s, 1, lastScan_);
    s.bindInteger(2, docNo_);
    s.bindInteger(3, unitNo);
    const std::span<const DeclarationField> fields = DeclarationFields();
    while (s.step()) {
        DeclarationRow row;
        row.declNo = s.integerAt(0);
        row.parentNo = s.isNullAt(1) ? 0 : s.integerAt(1);
        row.kindWord = textAt(s, 2);
        row.description = textAt(s, 3);
        row.changedFrom = textAt(s, 4);
        for (std::size_t f = 0; f < fields.size(); ++f) {
            const int at = FirstFieldColumn + int(f);
            const QVariant value = s.isNullAt(at)     ? QVariant()
                                   : fields[f].number ? QVariant(s.integerAt(at))
                                                      : QVariant(s.textAt(at));
            fields[f].load(row.declaration, value);
        }
        row.leftTheSource = s.integerAt(FirstFieldColumn + int(fields.size())) != 0;
        rows.append(row);
    }
    s.reset();
    return rows;
}

QList<DocumentReader::UnitLevelDeclaration> DocumentReader::unitLevelDeclarations() {
    QList<UnitLevelDeclaration> found;
    if (!declarations_)
        return found;
    QHash<qint64, int> positions;
    Statement units(*db_, QStringLiteral("SELECT UnitNo FROM UnitsLib WHERE DocNo = ? "
                                         "ORDER BY UnitNo"));
    units.bindInteger(1, docNo_);
    while (units.step())
        positions.insert(units.integerAt(0), int(positions.size()));
    Statement rows(*db_, QStringLiteral("SELECT UnitNo, DeclKind, DeclName FROM DeclsLib "
                                        "WHERE DocNo = ? AND (ParentNo IS NULL OR ParentNo = 0) "
                                        "ORDER BY UnitNo, DeclNo"));
    rows.bindInteger(1, docNo_);
    while (rows.step()) {
        const auto position = positions.constFind(rows.integerAt(0));
        if (position != positions.constEnd())
            found.append({*position, textAt(rows, 1), textAt(rows, 2)});
    }
    return found;
}

} // namespace ink
