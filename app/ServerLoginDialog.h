#pragma once
#include <functional>
#include <QDialog>

#include "components/Dialogs.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace ink {

// "Connect to Shared Database": where the team's store is, and a "Test"
// button that says whether it can be used, before anything is switched.
class ServerLoginDialog : public QDialog {
    Q_OBJECT
public:
    ServerLoginDialog(QWidget* parent, const Dialogs::ServerLogin& initial,
                      std::function<QString(const Dialogs::ServerLogin&)> test);

    Dialogs::ServerLogin login() const;
    // Presses "Test": what it found is shown under the fields.
    void runTest();

    QLineEdit* serverEdit;
    QSpinBox* portEdit;
    QLineEdit* databaseEdit;
    QLineEdit* userEdit;
    QPushButton* testButton;
    QLabel* testResult;

private:
    void fitToAnswer();

    std::function<QString(const Dialogs::ServerLogin&)> test_;
};

} // namespace ink
