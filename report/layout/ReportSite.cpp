#include "ReportSite.h"

#include <QDir>

#include "ReportError.h"
#include "ReportSource.h"

namespace ink {

QString writeReportSite(ReportSource& source, const QString& folder) {
    Q_UNUSED(source);
    throw ReportError(QStringLiteral("Cannot write a site to %1 yet.").arg(folder));
}

} // namespace ink
