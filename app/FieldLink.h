#pragma once
#include <functional>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QVariant>

namespace ink {

class TDataSource;
class TField;
class TTable;

// Binds one editor widget to one field of a data source. It tells the widget
// when the shown value must be reloaded, and writes typed values into the
// table (putting it into edit mode first), as data-aware controls do.
class FieldLink {
public:
    explicit FieldLink(std::function<void()> reload) : reload_(std::move(reload)) {}
    ~FieldLink() { disconnect(); }

    // Attaches to `source` (nullptr detaches) and reloads the widget.
    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const { return source_; }
    void setFieldName(const QString& name);
    const QString& fieldName() const { return fieldName_; }

    TTable* table() const;
    // The bound field, or nullptr while detached, closed or unbound.
    TField* field() const;
    QVariant value() const;
    // Whether there is a row to edit: an editor over a closed table or an
    // empty scope takes no typing, which could never be stored.
    bool hasRow() const;
    // Puts the table into edit mode and sets the field.
    void write(const QVariant& value);

private:
    void disconnect();
    void onFieldChanged(int index);

    void reload();

    std::function<void()> reload_;
    bool writing_ = false; // our own write must not reload what is being typed
    TDataSource* source_ = nullptr;
    QString fieldName_;
    QList<QMetaObject::Connection> connections_;
};

} // namespace ink
