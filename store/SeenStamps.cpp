#include "SeenStamps.h"

#include "FieldValue.h"
#include "TDM1.h"

namespace ink {

namespace {
const FieldDef& lastSeenField() {
    const TableDef& def = TDM1::procsDefinition();
    return def.fields[def.indexOf(QStringLiteral("LastSeen"))];
}
} // namespace

SeenStamps::SeenStamps(Database& db, const QDateTime& stamp)
    : stamp_(stamp),
      update_(db, QStringLiteral("UPDATE ProcsLib SET LastSeen = ? WHERE ProcNo = ?")) {}

void SeenStamps::routineSeen(qint64 procNo) {
    bindValue(update_, 1, lastSeenField(), stamp_);
    update_.bindInteger(2, procNo);
    update_.run();
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
