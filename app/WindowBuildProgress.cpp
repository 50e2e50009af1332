#include "WindowBuildProgress.h"

#include <QProgressBar>
#include <QStatusBar>

#include "components/Dialogs.h"

namespace ink {

void WindowBuildProgress::setStatusText(const QString& text) {
    if (text.isEmpty())
        statusBar_->clearMessage();
    else
        statusBar_->showMessage(text);
    statusBar_->repaint();
}

void WindowBuildProgress::setProgressVisible(bool visible) {
    progressBar_->setVisible(visible);
    if (visible)
        progressBar_->repaint();
}

void WindowBuildProgress::setProgressMaximum(int maximum) {
    progressBar_->setMaximum(qMax(maximum, 0));
}

void WindowBuildProgress::setProgressPosition(int position) {
    progressBar_->setValue(position);
    progressBar_->repaint();
}

void WindowBuildProgress::stepProgress() {
    // The build keeps the event loop waiting, so the bar is painted here and
    // now rather than when the loop next runs.
    progressBar_->setValue(qMin(progressBar_->value() + 1, progressBar_->maximum()));
    progressBar_->repaint();
}

void WindowBuildProgress::showError(const QString& text) {
    dialogs_.error(text);
}

void WindowBuildProgress::conditionalsRead(const BuildConfiguration& configuration,
                                           const ConditionalCounts& counts) {
    conditionalsNote_ = ConditionalsSummary(configuration, counts) + QLatin1Char('.');
}

} // namespace ink
