#pragma once
#include <QDialog>

#include "components/Dialogs.h"

class QCheckBox;
class QComboBox;
class QPushButton;

namespace ink {

// "Document Options": how one document is read (the build configuration its
// conditional code follows) and what its reports show (the members of types
// by visibility, the event handlers of form classes). Further options of a
// document take their place in the same form, above the buttons.
class DocumentOptionsDialog : public QDialog {
    Q_OBJECT
public:
    DocumentOptionsDialog(QWidget* parent, const QString& documentName,
                          const Dialogs::DocumentOptions& initial,
                          const QStringList& configurations);

    Dialogs::DocumentOptions options() const;

    // The first entry stands for no configuration; a name may be typed too.
    QComboBox* configurationBox;
    // One per visibility, in the order of ReportVisibilityWords; "OK" waits
    // until at least one is ticked.
    QList<QCheckBox*> visibilityBoxes;
    QCheckBox* eventHandlersBox;
    QPushButton* okButton;
};

} // namespace ink
