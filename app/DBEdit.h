#pragma once
#include <QLineEdit>

#include "FieldLink.h"

namespace ink {

// A one-line editor bound to a text field: typing puts the table into edit
// mode; it accepts no more characters than the field holds.
class TDBEdit : public QLineEdit {
    Q_OBJECT
public:
    TDBEdit(QWidget* parent, const QString& objectName);
    void setDataSource(TDataSource* source) { link_.setDataSource(source); }
    TDataSource* dataSource() const { return link_.dataSource(); }
    void setDataField(const QString& name) { link_.setFieldName(name); }

signals:
    void exited(); // the editor lost the input focus

protected:
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void reload();
    void onTextEdited(const QString& text);

    FieldLink link_;
};

} // namespace ink
