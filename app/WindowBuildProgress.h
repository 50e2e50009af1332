#pragma once
#include <utility>

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
    void conditionalsRead(const BuildConfiguration& configuration,
                          const ConditionalCounts& counts) override;
    // What the last build with a configuration decided and could not, once.
    QString takeConditionalsNote() { return std::exchange(conditionalsNote_, QString()); }

private:
    QString conditionalsNote_;
    QStatusBar* statusBar_;
    QProgressBar* progressBar_;
    Dialogs& dialogs_;
};

} // namespace ink
