// A document's report written to a file or folder by the writer its name
// chooses (ReportWriters.h).
#include "ReportFile.h"

#include "ReportSource.h"
#include "ReportWriters.h"
#include "store/UserError.h"

namespace ink {

ExportResult exportReport(const StoreAddress& store, qint32 docNo, const QString& out,
                          const QStringList& visibilities, std::optional<bool> eventHandlers) {
    const ReportWriter& writer = reportWriterFor(out);
    const auto missing = [docNo] {
        return UserError(QStringLiteral("There is no document number %1.").arg(docNo));
    };
    ReportSource source(store);
    if (!visibilities.isEmpty())
        source.setVisibilities(visibilities);
    if (eventHandlers)
        source.setEventHandlers(*eventHandlers);
    if (!source.open(docNo))
        throw missing();
    return writer.write(source, out);
}

} // namespace ink
