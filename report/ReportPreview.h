#pragma once
#include <QString>

class QWidget;

namespace ink {

class ReportLayout;
class ReportSource;

// Shows the laid-out report in a modal preview window over `parent`: one
// page at a time, drawn when it is shown, with printing (of any range of
// pages), "Save as PDF..." and "Export HTML..."; returns when it closes.
void showReportPreview(ReportSource& source, ReportLayout& layout, QWidget* parent);

} // namespace ink
