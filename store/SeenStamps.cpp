#include "SeenStamps.h"

#include "FieldValue.h"
#include "TDM1.h"

namespace ink {

namespace {
const FieldDef& lastSeenField(const TableDef& def) {
    return def.fields[def.indexOf(QStringLiteral("LastSeen"))];
}
} // namespace

namespace {
QString updateSql(const char* table, const char* key, int rows) {
    QStringList numbers;
    for (int i = 0; i < rows; ++i)
        numbers << QStringLiteral("?%1").arg(i + 2);
    return QStringLiteral("UPDATE %1 SET LastSeen = ?1 WHERE %2 IN (%3)")
        .arg(QLatin1String(table), QLatin1String(key), numbers.join(QLatin1String(", ")));
}

// A short last group repeats its last number, so one statement serves all.
void runHeld(Statement& update, QList<qint64>& held, int rowsPerUpdate) {
    if (held.isEmpty())
        return;
    for (int i = 0; i < rowsPerUpdate; ++i)
        update.bindInteger(i + 2, held.value(i, held.last()));
    held.clear();
    update.runKeepingBindings();
}
} // namespace

SeenStamps::SeenStamps(Database& db, const QDateTime& stamp)
    : update_(db, updateSql("ProcsLib", "ProcNo", RowsPerUpdate)),
      updateUnit_(db, QStringLiteral("UPDATE UnitsLib SET LastSeen = ?1 WHERE UnitNo = ?2")),
      updateUnitRoutines_(db,
                          QStringLiteral("UPDATE ProcsLib SET LastSeen = ?1 "
                                         "WHERE DocNo = ?4 AND UnitNo = ?2 AND LastSeen >= ?3")),
      updateDecls_(db, updateSql("DeclsLib", "DeclNo", RowsPerUpdate)),
      updateDeclsSeen_(db, QStringLiteral("UPDATE UnitsLib SET DeclsSeen = ?1 WHERE UnitNo = ?2")),
      db_(db), stamp_(stamp) {
    // The stamp is bound once, in the form the field stores it.
    bindValue(update_, 1, lastSeenField(TDM1::procsDefinition()), stamp);
    bindValue(updateUnit_, 1, lastSeenField(TDM1::unitsDefinition()), stamp);
    bindValue(updateUnitRoutines_, 1, lastSeenField(TDM1::procsDefinition()), stamp);
    bindValue(updateDecls_, 1, lastSeenField(TDM1::declsDefinition()), stamp);
}

SeenStamps::~SeenStamps() {
    try {
        finish();
    } catch (...) {
        // Leaving on an error already; the build reports that one.
    }
}

void SeenStamps::routineSeen(qint64 procNo) {
    held_.append(procNo);
    if (held_.size() == RowsPerUpdate)
        finish();
}

void SeenStamps::declarationSeen(qint64 declNo) {
    heldDecls_.append(declNo);
    if (heldDecls_.size() == RowsPerUpdate)
        runHeld(updateDecls_, heldDecls_, RowsPerUpdate);
}

void SeenStamps::finish() {
    runHeld(update_, held_, RowsPerUpdate);
    runHeld(updateDecls_, heldDecls_, RowsPerUpdate);
}

void SeenStamps::unitSeen(qint64 unitNo) {
    updateUnit_.bindInteger(2, unitNo);
    updateUnit_.runKeepingBindings();
}

void SeenStamps::unitRoutinesSeenAgain(qint64 docNo, qint64 unitNo, const QDateTime& read) {
    updateUnitRoutines_.bindInteger(4, docNo);
    updateUnitRoutines_.bindInteger(2, unitNo);
    bindValue(updateUnitRoutines_, 3, lastSeenField(TDM1::procsDefinition()), read);
    updateUnitRoutines_.runKeepingBindings();
}

void SeenStamps::unitRoutinesKept(qint64 docNo, qint64 unitNo, const QDateTime& lastScan) {
    if (lastScan.isValid()) {
        unitRoutinesSeenAgain(docNo, unitNo, lastScan);
        return;
    }
    if (!updateAllUnitRoutines_) {
        updateAllUnitRoutines_.emplace(
            db_,
            QStringLiteral("UPDATE ProcsLib SET LastSeen = ?1 WHERE DocNo = ?2 AND UnitNo = ?3"));
        bindValue(*updateAllUnitRoutines_, 1, lastSeenField(TDM1::procsDefinition()), stamp_);
    }
    updateAllUnitRoutines_->bindInteger(2, docNo);
    updateAllUnitRoutines_->bindInteger(3, unitNo);
    updateAllUnitRoutines_->runKeepingBindings();
}

void SeenStamps::unitDeclarationsJudgedBy(qint64 unitNo, const QDateTime& read) {
    const TableDef& units = TDM1::unitsDefinition();
    bindValue(updateDeclsSeen_, 1, units.fields[units.indexOf(QStringLiteral("DeclsSeen"))], read);
    updateDeclsSeen_.bindInteger(2, unitNo);
    updateDeclsSeen_.runKeepingBindings();
}

QHash<qint64, int> SeenStamps::declarationRowsByUnit(Database& db, int docNo) {
    Statement count(db, QStringLiteral("SELECT UnitNo, COUNT(*) FROM DeclsLib WHERE DocNo = ?1 "
                                       "GROUP BY UnitNo"));
    count.bindInteger(1, docNo);
    QHash<qint64, int> rows;
    while (count.step())
        rows.insert(count.integerAt(0), int(count.integerAt(1)));
    return rows;
}

QHash<qint64, int> SeenStamps::routineRowsByUnit(Database& db, int docNo) {
    Statement count(db, QStringLiteral("SELECT UnitNo, COUNT(*) FROM ProcsLib WHERE DocNo = ?1 "
                                       "GROUP BY UnitNo"));
    count.bindInteger(1, docNo);
    QHash<qint64, int> rows;
    while (count.step())
        rows.insert(count.integerAt(0), int(count.integerAt(1)));
    return rows;
}

QDateTime SeenStamps::nextScanStamp(Database& db, int docNo) {
    QDateTime now = QDateTime::currentDateTime();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    Statement previous(db, QStringLiteral("SELECT LastScan FROM DocsLib WHERE DocNo = ?"));
    previous.bindInteger(1, docNo);
    if (previous.step()) {
        const TableDef& docs = TDM1::docsDefinition();
        const QVariant last =
            readValue(previous, 0, docs.fields[docs.indexOf(QStringLiteral("LastScan"))]);
        if (last.isValid() && !last.isNull() && last.toDateTime() >= now)
            return last.toDateTime().addSecs(1);
    }
    return now;
}

} // namespace ink
