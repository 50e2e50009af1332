// The entry point of the report library. Inkwright hands over a document
// number only; everything else (where the data is, how it looks) is found
// here. Nothing may escape across the C boundary, and nothing of this call
// may stay behind once it returns: the caller unloads the library.
#include "LeafpressEntry.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>

#include "report/layout/ReportDatabase.h"
#include "report/layout/ReportLayout.h"
#include "report/layout/ReportSource.h"
#include "report/preview/ReportPreview.h"
#include "store/AliasRegistry.h"
#include "store/UserError.h"

namespace {

// Widgets need a QApplication. Inkwright already runs one, and a second one
// must never be made; a host without one gets one for this call only.
class ApplicationForCall {
public:
    ApplicationForCall() {
        if (QCoreApplication::instance() == nullptr)
            owned_ = std::make_unique<QApplication>(argc_, argv_);
    }
    bool canShowWindows() const {
        return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
    }

private:
    int argc_ = 1;
    char name_[10] = "Leafpress";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> owned_;
};

QString noDocumentText(std::int32_t docNo) {
    if (docNo == 0)
        return QStringLiteral("There is no document to preview.");
    return QStringLiteral("Document number %1 is not in the documentation database.").arg(docNo);
}

void previewDocument(std::int32_t docNo) {
    QWidget* parent = QApplication::activeWindow();
    ink::ReportSource source(ink::reportStore(ink::AliasRegistry()));
    if (!source.open(docNo)) {
        QMessageBox::warning(parent, QStringLiteral("Warning"), noDocumentText(docNo));
        return;
    }
    // The pages are counted while the preview shows the first of them.
    ink::ReportLayout layout(source, ink::ReportLayout::Deferred::Counting);
    ink::showReportPreview(source, layout, parent);
}

void showError(const QString& text) {
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Error"), text);
}

void runReport(std::int32_t docNo) {
    try {
        previewDocument(docNo);
    } catch (const ink::UserError& error) {
        showError(error.message());
    } catch (const std::exception& error) {
        showError(QString::fromUtf8(error.what()));
    }
}

} // namespace

extern "C" LEAFPRESS_EXPORT void LEAFPRESS_CALL LoadReport(std::int32_t DocNo) {
    try {
        ApplicationForCall application;
        if (!application.canShowWindows()) {
            std::fputs("Leafpress: the report needs a widget application to show its preview\n",
                       stderr);
            return;
        }
        runReport(DocNo);
        // Objects the preview scheduled for deletion go now, while the code
        // they may call back into is still loaded.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    } catch (...) {
        // Nothing may cross into the caller, whatever went wrong.
    }
}
