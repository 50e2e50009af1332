#pragma once
#include "scan/BuildDocument.h"

class QProgressBar;
class QStatusBar;

namespace ink {

class Dialogs;

// The build's feedback on the main window: the status text, the progress bar
// (repainted at once at each step, without letting user input in), and the
// "Error" box.
class WindowBuildProgress : public BuildFeedback {
public:
    WindowBuildProgress(QStatusBar* statusBar, QProgressBar* progressBar, Dialogs& dialogs)
        : statusBar_(statusBar), progressBar_(progressBar), dialogs_(dialogs) {}

    void setStatusText(const QString& text) override;
    void setProgressVisible(bool visible) override;
    void setProgressMaximum(int maximum) override;
    void setProgressPosition(int position) override;
    void stepProgress() override;
    void showError(const QString& text) override;

private:
    QStatusBar* statusBar_;
    QProgressBar* progressBar_;
    Dialogs& dialogs_;
};

} // namespace ink
