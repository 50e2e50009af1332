#pragma once
#include <QCheckBox>

#include "FieldLink.h"

namespace ink {

// A check box bound to a Boolean field: ticked for true, clear for false,
// greyed for an empty field. A click on a clear or greyed box ticks it, on a
// ticked box clears it, and puts the table into edit mode with the new value.
class TDBCheckBox : public QCheckBox {
    Q_OBJECT
public:
    TDBCheckBox(const QString& caption, QWidget* parent, const QString& objectName);
    void setDataSource(TDataSource* source) { link_.setDataSource(source); }
    TDataSource* dataSource() const { return link_.dataSource(); }
    void setDataField(const QString& name) { link_.setFieldName(name); }

protected:
    void nextCheckState() override;

private:
    void reload();

    FieldLink link_;
};

} // namespace ink
