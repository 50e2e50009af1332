#pragma once
#include <QObject>

namespace ink {

class TTable;

// The observable current row of one table. Widgets attach to a data source
// (connect to its signals) and detach from it while the table stays open;
// master-detail links run through it.
class TDataSource : public QObject {
    Q_OBJECT
public:
    TDataSource(TTable* table, QObject* owner, const QString& objectName);
    TTable* dataSet() const { return table_; }

    // While disabled the data source passes nothing on, so widgets stay still
    // during long work (a build); enabling it again tells them to read anew.
    // The master-detail links do not run through these signals and keep working.
    void setEnabled(bool enabled);
    bool isEnabled() const { return enabled_; }

signals:
    void currentChanged();
    void dataChanged();
    void stateChanged();
    void fieldChanged(int field);

private:
    TTable* table_;
    bool enabled_ = true;
};

} // namespace ink
