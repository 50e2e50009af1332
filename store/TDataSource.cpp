#include "TDataSource.h"

#include "TTable.h"

namespace ink {

TDataSource::TDataSource(TTable* table, QObject* owner, const QString& objectName)
    : QObject(owner), table_(table) {
    setObjectName(objectName);
    connect(table, &TTable::currentChanged, this, [this] {
        if (enabled_)
            emit currentChanged();
    });
    connect(table, &TTable::dataChanged, this, [this] {
        if (enabled_)
            emit dataChanged();
    });
    connect(table, &TTable::stateChanged, this, [this] {
        if (enabled_)
            emit stateChanged();
    });
    connect(table, &TTable::fieldChanged, this, [this](int field) {
        if (enabled_)
            emit fieldChanged(field);
    });
}

void TDataSource::setEnabled(bool enabled) {
    if (enabled_ == enabled)
        return;
    enabled_ = enabled;
    if (!enabled)
        return;
    // The attached widgets missed everything meanwhile: let them read anew.
    emit stateChanged();
    emit dataChanged();
    emit currentChanged();
}

} // namespace ink
