#pragma once
#include <QDialog>

#include "components/Dialogs.h"

class QComboBox;

namespace ink {

// "Document Options": how one document is read. For now the build
// configuration its conditional code follows; further options of a document
// take their place in the same form, above the buttons.
class DocumentOptionsDialog : public QDialog {
    Q_OBJECT
public:
    DocumentOptionsDialog(QWidget* parent, const QString& documentName,
                          const Dialogs::DocumentOptions& initial,
                          const QStringList& configurations);

    Dialogs::DocumentOptions options() const;

    // The first entry stands for no configuration; a name may be typed too.
    QComboBox* configurationBox;
};

} // namespace ink
