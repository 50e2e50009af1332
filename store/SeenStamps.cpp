#include "SeenStamps.h"

#include "FieldValue.h"
#include "TDM1.h"

namespace ink {

namespace {
const FieldDef& lastSeenField(const TableDef& def) {
    return def.fields[def.indexOf(QStringLiteral("LastSeen"))];
}
} // namespace

SeenStamps::SeenStamps(Database& db, const QDateTime& stamp)
    : update_(db, QStringLiteral("UPDATE ProcsLib SET LastSeen = ?1 WHERE ProcNo = ?2")),
      updateUnit_(db, QStringLiteral("UPDATE UnitsLib SET LastSeen = ?1 WHERE UnitNo = ?2")) {
    // The stamp is bound once, in the form the field stores it.
    bindValue(update_, 1, lastSeenField(TDM1::procsDefinition()), stamp);
    bindValue(updateUnit_, 1, lastSeenField(TDM1::unitsDefinition()), stamp);
}

void SeenStamps::routineSeen(qint64 procNo) {
    update_.bindInteger(2, procNo);
    update_.runKeepingBindings();
}

void SeenStamps::unitSeen(qint64 unitNo) {
    updateUnit_.bindInteger(2, unitNo);
    updateUnit_.runKeepingBindings();
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
