#pragma once
#include <QDialog>
#include <QElapsedTimer>
#include <QString>

class QAction;
class QKeySequence;
class QLabel;
class QSpinBox;
class QTimer;
class QToolBar;

namespace ink {

class ReportLayout;
class ReportSource;

// The questions the preview asks, so that tests can answer them.
class PreviewDialogs {
public:
    virtual ~PreviewDialogs() = default;
    // Empty when the user cancels.
    virtual QString saveFileName(QWidget* parent, const QString& suggested) = 0;
    virtual QString folderName(QWidget* parent) = 0;
    virtual bool confirm(QWidget* parent, const QString& text) = 0;
    virtual void error(QWidget* parent, const QString& text) = 0;
};

// The real dialogs: Qt's file dialogs and message boxes.
class QtPreviewDialogs : public PreviewDialogs {
public:
    QString saveFileName(QWidget* parent, const QString& suggested) override;
    QString folderName(QWidget* parent) override;
    bool confirm(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
};

class PageView;

// The preview: one page at a time, drawn when it is shown, with paging,
// printing of any range of pages, "Save as PDF..." and "Export HTML...".
// A layout not yet complete is laid out on in short slices while the window
// is open, so the first pages show at once and the user pages through those
// laid out while the line at the bottom says how far the layout is; print
// and save lay out the rest first.
// Replacing a file, or writing into a folder that holds files, is asked first.
// Every command has a key and its button takes the focus; the line at the
// bottom says what was written and where.
class ReportPreviewWindow : public QDialog {
public:
    ReportPreviewWindow(ReportSource& source, ReportLayout& layout, PreviewDialogs& dialogs,
                        QWidget* parent = nullptr);

    int page() const;
    void go(int page);
    void print();
    void saveAsPdf();
    void exportHtml();
    // What the last command wrote, or is writing.
    QString statusText() const;
    // How long one slice of the layout may take before the window handles
    // the user's input again.
    void setLayoutSlice(int milliseconds) { slice_ = milliseconds; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    template <typename Slot>
    QAction* addTool(QToolBar* tools, const QString& text, const QString& name,
                     const QKeySequence& key, Slot slot);
    QString suggestedName() const;
    // Shown and painted at once: the file dialog just closed leaves its
    // picture over the window until the next paint, which a long write
    // would otherwise hold back.
    void announceWork(const QString& text);
    void say(const QString& text, bool heard = true);
    // One slice of the layout, and what the window shows of its progress.
    void layOutSlice();
    void showProgress();
    void finishLayout();

    ReportSource& source_;
    ReportLayout& layout_;
    PreviewDialogs& dialogs_;
    PageView* view_ = nullptr;
    QSpinBox* pageBox_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* total_ = nullptr;
    QTimer* layingOut_ = nullptr;
    int slice_ = 40;
    QElapsedTimer announced_; // when the layout's progress was last announced
};

// Shows the preview modally over `parent`; returns when it closes.
void showReportPreview(ReportSource& source, ReportLayout& layout, QWidget* parent);

} // namespace ink
