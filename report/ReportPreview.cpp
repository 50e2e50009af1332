#include "ReportPreview.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrinter>
#include <QPrintPreviewDialog>
#include <QScreen>
#include <QTextDocument>
#include <QToolBar>

#include "report/layout/ReportError.h"
#include "report/layout/ReportFile.h"

namespace ink {

namespace {

// Saves with the page set up in the preview, so the PDF matches what is shown.
void saveAsPdf(QTextDocument& report, const QString& title, QPrintPreviewDialog& preview) {
    const QString suggested = title.isEmpty() ? QStringLiteral("Report.pdf") : title + ".pdf";
    QString filePath = QFileDialog::getSaveFileName(&preview, QStringLiteral("Save as PDF"),
                                                    suggested, QStringLiteral("PDF files (*.pdf)"));
    if (filePath.isEmpty())
        return;
    if (!filePath.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        filePath += QLatin1String(".pdf");
        // The dialog asked about replacing the name as typed, not this one.
        if (QFileInfo::exists(filePath) &&
            QMessageBox::question(&preview, QStringLiteral("Save as PDF"),
                                  QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                      .arg(QDir::toNativeSeparators(filePath))) != QMessageBox::Yes)
            return;
    }
    try {
        writeReportPdf(report, filePath, preview.printer()->pageLayout());
    } catch (const ReportError& error) {
        QMessageBox::critical(&preview, QStringLiteral("Error"), error.message());
    }
}

void addSaveAsPdfAction(QTextDocument& report, const QString& title, QPrintPreviewDialog& preview) {
    auto* action = new QAction(QStringLiteral("Save as PDF..."), &preview);
    action->setObjectName(QStringLiteral("SaveAsPdf"));
    action->setToolTip(QStringLiteral("Save the report as a PDF file"));
    QObject::connect(action, &QAction::triggered, &preview,
                     [&report, title, &preview] { saveAsPdf(report, title, preview); });
    // The preview has one tool bar; put the action at its end.
    if (auto* toolBar = preview.findChild<QToolBar*>()) {
        toolBar->addSeparator();
        toolBar->addAction(action);
    } else {
        preview.addAction(action);
    }
}

} // namespace

void showReportPreview(QTextDocument& report, const QString& title, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("ReportPreview"));
    preview.setWindowTitle(QStringLiteral("Preview - %1").arg(title));
    preview.resize(preview.screen()->availableGeometry().size() * 0.8);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&report](QPrinter* target) { report.print(target); });
    addSaveAsPdfAction(report, title, preview);
    preview.exec();
}

} // namespace ink
