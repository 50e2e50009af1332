#pragma once
#include <optional>
#include <QString>

#include "ReportDocument.h"

namespace ink {

// Reads one document with its units and routines from the database file,
// opened read-only: the report never changes the user's data, and may run
// while Inkwright has the same file open. Nothing when no document has that
// number; UserError when the file is missing or cannot be read.
std::optional<ReportDocument> readReportDocument(const QString& databaseFile, qint32 docNo);

} // namespace ink
