#include "ReportReader.h"

#include "ReportSource.h"

namespace ink {

std::optional<ReportDocument> readReportDocument(const QString& databaseFile, qint32 docNo) {
    ReportSource source(databaseFile);
    if (!source.open(docNo))
        return std::nullopt;
    ReportDocument document = source.document();
    source.readUnits(0, [&](int, const ReportUnit& unit) {
        document.units.append(unit);
        return true;
    });
    return document;
}

} // namespace ink
