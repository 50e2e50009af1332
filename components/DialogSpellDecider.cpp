#include "DialogSpellDecider.h"

#include "SpellCheckDialog.h"

#include <QMessageBox>

namespace ink {

SpellDecision DialogSpellDecider::decide(const Misspelling& misspelling) {
    SpellCheckDialog dialog(misspelling, dialogParent_);
    dialog.exec();
    return dialog.decision();
}

void DialogSpellDecider::complete() {
    QMessageBox::information(dialogParent_, QObject::tr("Spelling"),
                             QObject::tr("The spelling check is complete."));
}

} // namespace ink
