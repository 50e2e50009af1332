#include "ReportPreview.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

#include "report/layout/ReportError.h"
#include "report/layout/ReportFile.h"
#include "report/layout/ReportLayout.h"
#include "report/layout/ReportPrint.h"
#include "report/layout/ReportSite.h"
#include "report/layout/ReportSource.h"

namespace ink {

namespace {

// One page, drawn when shown and kept until the page or the size changes.
class PageView : public QWidget {
public:
    PageView(ReportLayout& layout, QWidget* parent) : QWidget(parent), layout_(layout) {
        setObjectName(QStringLiteral("PageView"));
        setMinimumSize(200, 280);
    }
    void showPage(int page) {
        page_ = qBound(1, page, layout_.pageCount());
        image_ = QImage();
        update();
    }
    int page() const { return page_; }

protected:
    void paintEvent(QPaintEvent*) override {
        const qreal ratio = devicePixelRatioF();
        const QSize pixels = size() * ratio;
        if (image_.size() != pixels) {
            image_ = QImage(pixels, QImage::Format_RGB32);
            image_.setDevicePixelRatio(ratio);
            image_.fill(QColor(0x80, 0x80, 0x80));
            QPainter painter(&image_);
            const int margin = 12;
            painter.translate(margin, margin);
            paintReportPage(layout_, page_, painter, width() - 2 * margin, height() - 2 * margin);
        }
        QPainter(this).drawImage(0, 0, image_);
    }

private:
    ReportLayout& layout_;
    int page_ = 1;
    QImage image_;
};

bool askToReplace(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QStringLiteral("Confirm"), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void showError(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Error"), text);
}

class PreviewWindow : public QDialog {
public:
    PreviewWindow(ReportSource& source, ReportLayout& layout, QWidget* parent)
        : QDialog(parent), source_(source), layout_(layout) {
        setObjectName(QStringLiteral("ReportPreview"));
        setWindowTitle(QStringLiteral("Preview - %1").arg(source.document().name));
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        auto* tools = new QToolBar(this);
        column->addWidget(tools);
        view_ = new PageView(layout, this);
        column->addWidget(view_, 1);

        addAction(tools, QStringLiteral("First"), QStringLiteral("FirstPage"), [this] { go(1); });
        addAction(tools, QStringLiteral("Previous"), QStringLiteral("PreviousPage"),
                  [this] { go(view_->page() - 1); });
        pageBox_ = new QSpinBox(this);
        pageBox_->setObjectName(QStringLiteral("PageNumber"));
        pageBox_->setRange(1, layout.pageCount());
        tools->addWidget(pageBox_);
        auto* total = new QLabel(QStringLiteral(" of %1 ").arg(layout.pageCount()), this);
        total->setObjectName(QStringLiteral("PageCount"));
        tools->addWidget(total);
        connect(pageBox_, &QSpinBox::valueChanged, this, [this](int page) { go(page); });
        addAction(tools, QStringLiteral("Next"), QStringLiteral("NextPage"),
                  [this] { go(view_->page() + 1); });
        addAction(tools, QStringLiteral("Last"), QStringLiteral("LastPage"),
                  [this] { go(layout_.pageCount()); });
        tools->addSeparator();
        addAction(tools, QStringLiteral("Print..."), QStringLiteral("Print"), [this] { print(); });
        addAction(tools, QStringLiteral("Save as PDF..."), QStringLiteral("SaveAsPdf"),
                  [this] { saveAsPdf(); });
        addAction(tools, QStringLiteral("Export HTML..."), QStringLiteral("ExportHtml"),
                  [this] { exportHtml(); });
        go(1);
    }

    void go(int page) {
        page = qBound(1, page, layout_.pageCount());
        view_->showPage(page);
        if (pageBox_->value() != page)
            pageBox_->setValue(page);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
        case Qt::Key_PageDown:
            go(view_->page() + 1);
            return;
        case Qt::Key_PageUp:
            go(view_->page() - 1);
            return;
        case Qt::Key_Home:
            go(1);
            return;
        case Qt::Key_End:
            go(layout_.pageCount());
            return;
        default:
            QDialog::keyPressEvent(event);
        }
    }

private:
    template <typename Slot>
    void addAction(QToolBar* tools, const QString& text, const QString& name, Slot slot) {
        auto* action = tools->addAction(text);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, slot);
    }

    QString suggestedName() const {
        const QString name = source_.document().name;
        return name.isEmpty() ? QStringLiteral("Report") : name;
    }

    void print() {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(source_.document().name);
        QPrintDialog dialog(&printer, this);
        dialog.setMinMax(1, layout_.pageCount());
        dialog.setOption(QAbstractPrintDialog::PrintPageRange);
        if (dialog.exec() != QDialog::Accepted)
            return;
        int first = 1;
        int last = layout_.pageCount();
        if (printer.printRange() == QPrinter::PageRange) {
            first = printer.fromPage();
            last = printer.toPage();
        } else if (printer.printRange() == QPrinter::CurrentPage) {
            first = last = view_->page();
        }
        try {
            printReportPages(layout_, printer, first, last);
        } catch (const ReportError& error) {
            showError(this, error.message());
        }
    }

    void saveAsPdf() {
        QString filePath = QFileDialog::getSaveFileName(
            this, QStringLiteral("Save as PDF"), suggestedName() + QStringLiteral(".pdf"),
            QStringLiteral("PDF files (*.pdf)"), nullptr, QFileDialog::DontConfirmOverwrite);
        if (filePath.isEmpty())
            return;
        if (!filePath.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
            filePath += QLatin1String(".pdf");
        if (QFileInfo::exists(filePath) &&
            !askToReplace(this, QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                    .arg(QDir::toNativeSeparators(filePath))))
            return;
        try {
            writeReportPdf(source_, layout_, filePath);
        } catch (const ReportError& error) {
            showError(this, error.message());
        }
    }

    void exportHtml() {
        const QString folder = QFileDialog::getExistingDirectory(
            this, QStringLiteral("Export HTML to folder"), QString());
        if (folder.isEmpty())
            return;
        if (!QDir(folder).isEmpty() &&
            !askToReplace(this, QStringLiteral("%1 is not empty; files of the same names in it "
                                               "will be replaced.\nExport there anyway?")
                                    .arg(QDir::toNativeSeparators(folder))))
            return;
        try {
            writeReportSite(source_, folder);
        } catch (const ReportError& error) {
            showError(this, error.message());
        }
    }

    ReportSource& source_;
    ReportLayout& layout_;
    PageView* view_ = nullptr;
    QSpinBox* pageBox_ = nullptr;
};

} // namespace

void showReportPreview(ReportSource& source, ReportLayout& layout, QWidget* parent) {
    PreviewWindow preview(source, layout, parent);
    const QSize screen = preview.screen()->availableGeometry().size();
    // A page's shape, as tall as the screen allows.
    const int height = int(screen.height() * 0.9);
    preview.resize(qMin(screen.width(), int(height * 0.75)), height);
    preview.exec();
}

} // namespace ink
