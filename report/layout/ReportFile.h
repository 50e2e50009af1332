#pragma once
#include <optional>
#include <QString>
#include <QStringList>

#include "ReportPdfFile.h"
#include "ReportWriters.h"

namespace ink {

struct StoreAddress;

// Writes the report of document `docNo` of `store` to `out`: a PDF
// for a name ending .pdf, one HTML page for .html or .htm, plain text for
// .txt (in any case), and else a browsable site in the folder `out` (made
// when missing); see ReportWriters.h. UserError
// for a missing document or a failed write. `visibilities` chooses which
// members of types are shown (ReportSource::setVisibilities), and
// `eventHandlers` whether form classes' event handlers are listed; left
// empty, each is the document's own choice.
ExportResult exportReport(const StoreAddress& store, qint32 docNo, const QString& out,
                          const QStringList& visibilities = {},
                          std::optional<bool> eventHandlers = std::nullopt);

} // namespace ink
