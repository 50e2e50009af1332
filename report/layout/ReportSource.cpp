#include "ReportSource.h"

#include <algorithm>
#include <QFileInfo>

#include "store/Coverage.h"
#include "store/Database.h"
#include "store/Statement.h"
#include "store/StoreAddress.h"
#include "store/UserError.h"

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
    QStringList columns{"DocName", "DocAuthor", "DocCompany", "DocDate",
                        "DocSize", "IsVerInfo", "DPRFileName"};
    for (const VersionField& field : VersionFields)
        columns.append(QString::fromLatin1(field.column));
    return columns.join(QStringLiteral(", "));
}

bool hasColumn(Database& db, const QString& table, const QString& column) {
    return db.columnsOf(table).contains(column, Qt::CaseInsensitive);
}

} // namespace

ReportSource::ReportSource(const StoreAddress& store) {
    // Read-only: the report never changes the store, and reads it also
    // from a folder the user may not write.
    if (!store.isServer() && !QFileInfo(store.databaseFile()).isFile())
        throw UserError(QStringLiteral("The documentation database %1 does not exist.")
                            .arg(store.databaseFile()));
    db_ = std::make_unique<Database>(store, QList<TableDef>{}, Database::Access::ReadOnly);
    // One read transaction for the source's life, so every pass over the
    // document (the page count, then the pages) sees it as it stood at
    // one moment, and page numbers cannot drift between them.
    db_->beginSnapshot();
    hasDeclarations_ = hasColumn(*db_, QStringLiteral("ProcsLib"), QStringLiteral("Declaration"));
    hasMissingSources_ =
        hasColumn(*db_, QStringLiteral("UnitsLib"), QStringLiteral("MissingSource"));
    hasScanStamps_ = hasColumn(*db_, QStringLiteral("DocsLib"), QStringLiteral("LastScan")) &&
                     hasColumn(*db_, QStringLiteral("UnitsLib"), QStringLiteral("LastSeen")) &&
                     hasColumn(*db_, QStringLiteral("ProcsLib"), QStringLiteral("LastSeen"));
}

ReportSource::~ReportSource() = default;

void ReportSource::countUnitsAndRoutines(ReportDocument& document) {
    Statement count(*db_, QStringLiteral("SELECT COUNT(*) FROM UnitsLib WHERE DocNo = ?"));
    count.bindInteger(1, document.docNo);
    count.step();
    document.unitCount = int(count.integerAt(0));
    if (hasScanStamps_) {
        const DocumentCoverage coverage = ReadCoverage(*db_, document.docNo);
        document.routineCount = coverage.routines;
        document.missingUnits = coverage.missingUnits;
        document.missingRoutines = coverage.missingRoutines;
        coverage_ = coverage.units;
        return;
    }
    // A store from before scans were stamped has nothing missing: every
    // routine of a listed unit counts, placeholders left out. Rows left
    // under a removed unit are never shown, so they are not counted.
    Statement routines(*db_, QStringLiteral("SELECT COUNT(*) FROM ProcsLib p JOIN UnitsLib u "
                                            "ON u.UnitNo = p.UnitNo AND u.DocNo = p.DocNo "
                                            "WHERE p.DocNo = ? AND p.ProcName <> ?"));
    routines.bindInteger(1, document.docNo);
    routines.bindText(2, QString::fromLatin1(PlaceholderRoutineName));
    routines.step();
    document.routineCount = routines.integerAt(0);
}

void ReportSource::countRoutines(ReportUnit& unit, int position) const {
    if (position < coverage_.size()) {
        const UnitCoverage& counted = coverage_[position];
        unit.countedRoutines = counted.routines;
        unit.describedRoutines = counted.described;
        return;
    }
    // Nothing has left the source of a store without scan stamps.
    unit.countedRoutines = int(unit.routines.size());
    unit.describedRoutines =
        int(std::count_if(unit.routines.cbegin(), unit.routines.cend(),
                          [](const ReportRoutine& r) { return r.described(); }));
}

bool ReportSource::open(qint32 docNo) {
    Statement row(*db_,
                  QStringLiteral("SELECT %1 FROM DocsLib WHERE DocNo = ?").arg(documentColumns()));
    row.bindInteger(1, docNo);
    if (!row.step())
        return false;
    ReportDocument document;
    document.docNo = docNo;
    document.name = textAt(row, 0);
    document.author = textAt(row, 1);
    document.company = textAt(row, 2);
    document.modified = dateTimeAt(row, 3);
    if (!row.isNullAt(4))
        document.sizeKb = row.integerAt(4);
    document.includeVersionInfo = row.integerAt(5) != 0;
    document.projectFile = textAt(row, 6);
    for (int i = 0; i < int(VersionFields.size()); ++i)
        document.versionValues.append(textAt(row, 7 + i));
    document_ = document;
    countUnitsAndRoutines(document_);
    units_ = std::make_unique<Statement>(
        *db_, QStringLiteral("SELECT UnitNo, UnitName, FormName, Description%1 FROM UnitsLib "
                             "WHERE DocNo = ? ORDER BY UnitNo LIMIT -1 OFFSET ?")
                  .arg(hasMissingSources_ ? QStringLiteral(", MissingSource") : QString()));
    names_ = std::make_unique<Statement>(
        *db_, QStringLiteral("SELECT UnitName FROM UnitsLib WHERE DocNo = ? "
                             "ORDER BY UnitNo LIMIT ? OFFSET ?"));
    routines_ = std::make_unique<Statement>(
        *db_, QStringLiteral("SELECT ProcType, ProcName, ProcParams, ResultType, "
                             "Description%1 FROM ProcsLib WHERE DocNo = ? AND UnitNo = ? "
                             "ORDER BY ProcNo")
                  .arg(hasDeclarations_ ? QStringLiteral(", Declaration") : QString()));
    return true;
}

void ReportSource::readUnits(int first, const std::function<bool(int, const ReportUnit&)>& visit) {
    if (!units_)
        return;
    units_->reset();
    units_->bindInteger(1, document_.docNo);
    units_->bindInteger(2, first);
    int position = first;
    ReportUnit unit;
    bool more = true;
    while (more && units_->step()) {
        unit.name = textAt(*units_, 1);
        unit.form = shownForm(textAt(*units_, 2));
        unit.description = textAt(*units_, 3);
        unit.missingSource = hasMissingSources_ ? textAt(*units_, 4) : QString();
        unit.routines.clear();
        unit.placeholderDescription.clear();
        routines_->bindInteger(1, document_.docNo);
        routines_->bindInteger(2, units_->integerAt(0));
        while (routines_->step()) {
            ReportRoutine routine{textAt(*routines_, 0), textAt(*routines_, 1),
                                  textAt(*routines_, 2), textAt(*routines_, 3),
                                  textAt(*routines_, 4), {}};
            if (IsPlaceholderRoutine(routine.name)) {
                if (routine.described())
                    unit.placeholderDescription = routine.description;
                continue;
            }
            if (hasDeclarations_)
                routine.declaration = textAt(*routines_, 5);
            unit.routines.append(routine);
        }
        if (!unit.routines.isEmpty())
            unit.placeholderDescription.clear();
        countRoutines(unit, position);
        routines_->reset();
        more = visit(position++, unit);
    }
    units_->reset();
}

QStringList ReportSource::unitNames(int first, int count) {
    QStringList names;
    if (!names_)
        return names;
    names_->bindInteger(1, document_.docNo);
    names_->bindInteger(2, count);
    names_->bindInteger(3, first);
    while (names_->step())
        names.append(textAt(*names_, 0));
    names_->reset();
    return names;
}

} // namespace ink
