#pragma once
#include <QStringList>

#include "scan/BuildDocument.h"

// The feedback of a build, written down: each call as one line, so a test
// sees what the user would have seen, in order.
class RecordingFeedback : public ink::BuildFeedback {
public:
    void setStatusText(const QString& text) override { calls << "status " + text; }
    void setProgressVisible(bool visible) override {
        calls << (visible ? "progress shown" : "progress hidden");
    }
    void setProgressMaximum(int maximum) override {
        calls << QStringLiteral("maximum %1").arg(maximum);
    }
    void setProgressPosition(int position) override {
        calls << QStringLiteral("position %1").arg(position);
    }
    void stepProgress() override { calls << "step"; }
    void showError(const QString& text) override { calls << "error " + text; }

    QStringList calls;
};
