#pragma once
#include <QString>

class QTextDocument;
class QWidget;

namespace ink {

// Shows the report in a modal print-preview window over `parent`, from which
// the user prints, sets up the page or saves a PDF; returns when it closes.
void showReportPreview(QTextDocument& report, const QString& title, QWidget* parent);

} // namespace ink
