#include "DBCheckBox.h"

#include "ErrorGuard.h"
#include "store/TField.h"

namespace ink {

TDBCheckBox::TDBCheckBox(const QString& caption, QWidget* parent, const QString& objectName)
    : QCheckBox(caption, parent), link_([this] { reload(); }) {
    setObjectName(objectName);
    setTristate(true);
}

void TDBCheckBox::reload() {
    TField* field = link_.field();
    setEnabled(link_.hasRow());
    if (!field || field->isNull())
        setCheckState(Qt::PartiallyChecked);
    else
        setCheckState(field->asBoolean() ? Qt::Checked : Qt::Unchecked);
}

void TDBCheckBox::nextCheckState() {
    const bool ticked = checkState() != Qt::Checked;
    if (guarded([&] { link_.write(ticked); }))
        setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

} // namespace ink
