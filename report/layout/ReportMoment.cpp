#include "ReportMoment.h"

namespace ink {

QDateTime reportMadeMoment() {
    const QByteArray epoch = qgetenv("SOURCE_DATE_EPOCH").trimmed();
    bool isNumber = false;
    const qint64 seconds = epoch.toLongLong(&isNumber);
    if (!isNumber || seconds < 0)
        return QDateTime::currentDateTime();
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

} // namespace ink
