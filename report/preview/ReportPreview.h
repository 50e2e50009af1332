#pragma once
#include <QDialog>
#include <QString>

class QSpinBox;
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
// Replacing a file, or writing into a folder that holds files, is asked first.
class ReportPreviewWindow : public QDialog {
public:
    ReportPreviewWindow(ReportSource& source, ReportLayout& layout, PreviewDialogs& dialogs,
                        QWidget* parent = nullptr);

    int page() const;
    void go(int page);
    void print();
    void saveAsPdf();
    void exportHtml();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    template <typename Slot>
    void addTool(QToolBar* tools, const QString& text, const QString& name, Slot slot);
    QString suggestedName() const;

    ReportSource& source_;
    ReportLayout& layout_;
    PreviewDialogs& dialogs_;
    PageView* view_ = nullptr;
    QSpinBox* pageBox_ = nullptr;
};

// Shows the preview modally over `parent`; returns when it closes.
void showReportPreview(ReportSource& source, ReportLayout& layout, QWidget* parent);

} // namespace ink
