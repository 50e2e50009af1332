// The preview window: the report's pages one at a time, with paging,
// printing and saving as PDF, HTML or a site.
#include "ReportPreview.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
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
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "report/layout/ReportFile.h"
#include "report/layout/ReportLayout.h"
#include "report/layout/ReportPrint.h"
#include "report/layout/ReportSite.h"
#include "report/layout/ReportSource.h"
#include "store/UserError.h"

namespace ink {

QString QtPreviewDialogs::saveFileName(QWidget* parent, const QString& suggested) {
    // The preview asks about replacing itself, once the name has its ".pdf".
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Save as PDF"), suggested,
                                        QStringLiteral("PDF files (*.pdf)"), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtPreviewDialogs::folderName(QWidget* parent) {
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Export HTML to folder"));
}

bool QtPreviewDialogs::confirm(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QStringLiteral("Confirm"), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void QtPreviewDialogs::error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Error"), text);
}

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

ReportPreviewWindow::ReportPreviewWindow(ReportSource& source, ReportLayout& layout,
                                         PreviewDialogs& dialogs, QWidget* parent)
    : QDialog(parent), source_(source), layout_(layout), dialogs_(dialogs) {
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QStringLiteral("Preview - %1").arg(source.document().name));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    auto* tools = new QToolBar(this);
    column->addWidget(tools);
    view_ = new PageView(layout, this);
    view_->setFocusPolicy(Qt::StrongFocus);
    column->addWidget(view_, 1);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("PreviewStatus"));
    status_->setContentsMargins(6, 2, 6, 2);
    // Selectable by mouse only: a label that takes the keyboard focus would
    // keep Home and End from paging. Screen readers hear it change.
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(status_);

    // The page keys page wherever the focus is, the number box included.
    addTool(tools, QStringLiteral("First"), QStringLiteral("FirstPage"), Qt::Key_Home,
            [this] { go(1); });
    addTool(tools, QStringLiteral("Previous"), QStringLiteral("PreviousPage"), Qt::Key_PageUp,
            [this] { go(page() - 1); });
    pageBox_ = new QSpinBox(this);
    pageBox_->setObjectName(QStringLiteral("PageNumber"));
    pageBox_->setAccessibleName(QStringLiteral("Page"));
    pageBox_->setRange(1, layout.pageCount());
    pageBox_->installEventFilter(this);
    tools->addWidget(pageBox_);
    total_ = new QLabel(this);
    total_->setObjectName(QStringLiteral("PageCount"));
    tools->addWidget(total_);
    connect(pageBox_, &QSpinBox::valueChanged, this, [this](int page) { go(page); });
    addTool(tools, QStringLiteral("Next"), QStringLiteral("NextPage"), Qt::Key_PageDown,
            [this] { go(page() + 1); });
    addTool(tools, QStringLiteral("Last"), QStringLiteral("LastPage"), Qt::Key_End,
            [this] { go(layout_.pageCount()); });
    tools->addSeparator();
    addTool(tools, QStringLiteral("Print..."), QStringLiteral("Print"), QKeySequence::Print,
            [this] { print(); });
    addTool(tools, QStringLiteral("Save as PDF..."), QStringLiteral("SaveAsPdf"),
            QKeySequence::Save, [this] { saveAsPdf(); });
    addTool(tools, QStringLiteral("Export HTML..."), QStringLiteral("ExportHtml"),
            QKeySequence(Qt::CTRL | Qt::Key_E), [this] { exportHtml(); });
    layingOut_ = new QTimer(this);
    connect(layingOut_, &QTimer::timeout, this, [this] { layOutSlice(); });
    showProgress();
    if (!layout_.isComplete())
        layingOut_->start(0);
    go(1);
    view_->setFocus();
}

void ReportPreviewWindow::layOutSlice() {
    layout_.layOutMore(slice_);
    showProgress();
}

void ReportPreviewWindow::showProgress() {
    const QLocale locale;
    const int pages = layout_.pageCount();
    pageBox_->setRange(1, qMax(pages, 1));
    if (layout_.isComplete()) {
        layingOut_->stop();
        total_->setText(QStringLiteral(" of %1 ").arg(pages));
        // The page on screen was drawn without the total in its footer.
        if (status_->text().startsWith(QLatin1String("Laying out")))
            say(QString());
        go(page());
        return;
    }
    total_->setText(QStringLiteral(" of %1 so far ").arg(pages));
    // A screen reader would hear every slice; once a second is enough.
    const bool heard = !announced_.isValid() || announced_.hasExpired(1000);
    if (heard)
        announced_.start();
    say(QStringLiteral("Laying out the report: %1 of %2 units, %3 pages so far...")
            .arg(locale.toString(layout_.unitsLaidOut()), locale.toString(source_.unitCount()),
                 locale.toString(pages)),
        heard);
}

// Printing and saving need every page, and the page count up front.
void ReportPreviewWindow::finishLayout() {
    if (layout_.isComplete())
        return;
    announceWork(QStringLiteral("Laying out the rest of the report..."));
    layout_.layOutAll();
    showProgress();
}

int ReportPreviewWindow::page() const {
    return view_->page();
}

void ReportPreviewWindow::go(int page) {
    page = qBound(1, page, layout_.pageCount());
    view_->showPage(page);
    view_->setAccessibleName(
        QStringLiteral("Page %1 of %2%3")
            .arg(page)
            .arg(layout_.pageCount())
            .arg(layout_.isComplete() ? QString() : QStringLiteral(" so far")));
    if (pageBox_->value() != page)
        pageBox_->setValue(page);
}

// The number box would keep the page keys for itself (Home and End move in
// its text, the page keys step by ten); here they page, as everywhere else
// in the preview.
bool ReportPreviewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pageBox_ && event->type() == QEvent::ShortcutOverride) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            event->ignore();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString ReportPreviewWindow::statusText() const {
    return status_->text();
}

void ReportPreviewWindow::say(const QString& text, bool heard) {
    status_->setText(text);
    if (!heard)
        return;
    // A screen reader hears the line change as well.
    status_->setAccessibleName(text);
    QAccessibleEvent changed(status_, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void ReportPreviewWindow::announceWork(const QString& text) {
    say(text);
    repaint();
    // The windows under the closed dialog get their paint too; what the user
    // types meanwhile waits until the work is done.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

template <typename Slot>
QAction* ReportPreviewWindow::addTool(QToolBar* tools, const QString& text, const QString& name,
                                      const QKeySequence& key, Slot slot) {
    auto* action = tools->addAction(text);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setToolTip(QStringLiteral("%1 (%2)").arg(QString(text).remove(QStringLiteral("...")),
                                                     key.toString(QKeySequence::NativeText)));
    connect(action, &QAction::triggered, this, slot);
    // A tool bar's buttons take no focus of their own; here Tab reaches each.
    if (QWidget* button = tools->widgetForAction(action))
        button->setFocusPolicy(Qt::StrongFocus);
    return action;
}

QString ReportPreviewWindow::suggestedName() const {
    const QString name = source_.document().name;
    return name.isEmpty() ? QStringLiteral("Report") : name;
}

void ReportPreviewWindow::print() {
    finishLayout();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(source_.document().name);
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, layout_.pageCount());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage);
    if (dialog.exec() != QDialog::Accepted)
        return;
    int first = 1;
    int last = layout_.pageCount();
    if (printer.printRange() == QPrinter::PageRange) {
        first = printer.fromPage();
        last = printer.toPage();
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        first = last = page();
    }
    first = qMax(first, 1);
    last = qMin(last, layout_.pageCount());
    const QString pages = first == last ? QStringLiteral("page %1").arg(first)
                                        : QStringLiteral("pages %1 to %2").arg(first).arg(last);
    const QString target = printer.outputFileName().isEmpty()
                               ? printer.printerName()
                               : QDir::toNativeSeparators(printer.outputFileName());
    announceWork(QStringLiteral("Printing %1...").arg(pages));
    try {
        printReportPages(layout_, printer, first, last);
        say(QStringLiteral("Printed %1 on %2.").arg(pages, target));
    } catch (const UserError& error) {
        say(QStringLiteral("Nothing was printed."));
        dialogs_.error(this, error.message());
    }
}

void ReportPreviewWindow::saveAsPdf() {
    QString filePath = dialogs_.saveFileName(this, suggestedName() + QStringLiteral(".pdf"));
    if (filePath.isEmpty())
        return;
    if (!filePath.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        filePath += QLatin1String(".pdf");
    if (QFileInfo::exists(filePath) &&
        !dialogs_.confirm(this, QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                    .arg(QDir::toNativeSeparators(filePath))))
        return;
    const QString shown = QDir::toNativeSeparators(filePath);
    finishLayout();
    announceWork(QStringLiteral("Writing %1...").arg(shown));
    try {
        writeReportPdf(source_, layout_, filePath);
        const int pages = layout_.pageCount();
        say(QStringLiteral("Saved %1 page%2 as %3.")
                .arg(pages)
                .arg(pages == 1 ? QString() : QStringLiteral("s"), shown));
    } catch (const UserError& error) {
        say(QStringLiteral("Nothing was saved."));
        dialogs_.error(this, error.message());
    }
}

void ReportPreviewWindow::exportHtml() {
    const QString folder = dialogs_.folderName(this);
    if (folder.isEmpty())
        return;
    if (!QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                              QDir::System) &&
        !dialogs_.confirm(this, QStringLiteral("%1 is not empty; files of the same names in it "
                                               "will be replaced.\nExport there anyway?")
                                    .arg(QDir::toNativeSeparators(folder))))
        return;
    const QString shown = QDir::toNativeSeparators(folder);
    announceWork(QStringLiteral("Exporting to %1...").arg(shown));
    try {
        const QString index = writeReportSite(source_, folder);
        say(QStringLiteral("Exported the site to %1; its first page is %2.")
                .arg(shown, QFileInfo(index).fileName()));
    } catch (const UserError& error) {
        say(QStringLiteral("The export did not finish."));
        dialogs_.error(this, error.message());
    }
}

void showReportPreview(ReportSource& source, ReportLayout& layout, QWidget* parent) {
    QtPreviewDialogs dialogs;
    ReportPreviewWindow preview(source, layout, dialogs, parent);
    const QSize screen = preview.screen()->availableGeometry().size();
    // A page's shape, as tall as the screen allows.
    const int height = int(screen.height() * 0.9);
    preview.resize(qMin(screen.width(), int(height * 0.75)), height);
    preview.exec();
}

} // namespace ink
