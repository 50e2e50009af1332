#include "FieldLink.h"

#include <QScopedValueRollback>

#include "store/TDataSource.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace ink {

void FieldLink::setDataSource(TDataSource* source) {
    disconnect();
    source_ = source;
    if (source_) {
        connections_ << QObject::connect(source_, &TDataSource::currentChanged,
                                         [this] { reload(); })
                     << QObject::connect(source_, &TDataSource::dataChanged, [this] { reload(); })
                     << QObject::connect(source_, &TDataSource::stateChanged, [this] { reload(); })
                     << QObject::connect(source_, &TDataSource::fieldChanged,
                                         [this](int index) { onFieldChanged(index); });
    }
    reload_();
}

void FieldLink::setFieldName(const QString& name) {
    fieldName_ = name;
    reload_();
}

TTable* FieldLink::table() const {
    return source_ ? source_->dataSet() : nullptr;
}

TField* FieldLink::field() const {
    TTable* t = table();
    if (!t || !t->isOpen() || fieldName_.isEmpty())
        return nullptr;
    const int index = t->definition().indexOf(fieldName_);
    return index < 0 ? nullptr : t->field(index);
}

bool FieldLink::hasRow() const {
    return field() && table()->recordCount() > 0;
}

QVariant FieldLink::value() const {
    TField* f = field();
    return f ? f->value() : QVariant();
}

void FieldLink::write(const QVariant& value) {
    TTable* t = table();
    if (!t)
        return;
    const QScopedValueRollback writing(writing_, true);
    t->edit();
    t->fieldByName(fieldName_)->setValue(value);
}

void FieldLink::reload() {
    if (!writing_)
        reload_();
}

void FieldLink::onFieldChanged(int index) {
    TField* f = field();
    if (f && f->index() == index)
        reload();
}

void FieldLink::disconnect() {
    for (const auto& c : connections_)
        QObject::disconnect(c);
    connections_.clear();
}

} // namespace ink
