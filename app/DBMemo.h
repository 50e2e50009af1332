#pragma once
#include <QPlainTextEdit>

#include "FieldLink.h"

namespace ink {

// A multi-line editor bound to a memo field. The store keeps CR LF line
// breaks; the editor shows plain lines. Typing puts the table into edit mode.
class TDBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    TDBMemo(QWidget* parent, const QString& objectName);
    void setDataSource(TDataSource* source) { link_.setDataSource(source); }
    TDataSource* dataSource() const { return link_.dataSource(); }
    void setDataField(const QString& name) { link_.setFieldName(name); }

    // The whole text with CR LF line breaks, as the field stores it.
    QString storedText() const;

signals:
    void exited(); // the editor lost the input focus

protected:
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void reload();
    void onContentsChanged();

    FieldLink link_;
    bool loading_ = false;
};

} // namespace ink
