#pragma once
#include <memory>
#include <QMap>
#include <QString>
#include <QVariant>

#include "store/StoreAddress.h"

class SqlFile;

// A documentation database laid out as Inkwright keeps it, filled with plain
// SQL, for reading the report from.
class ReportStore {
public:
    explicit ReportStore(const QString& dataDir);
    ~ReportStore();

    QString databaseFile() const { return filePath_; }
    ink::StoreAddress address() const { return ink::StoreAddress::local(dataDir_); }

    // Returns the new DocNo; `fields` sets any other DocsLib column.
    qint32 addDocument(const QString& name, const QMap<QString, QVariant>& fields = {});
    // Returns the new UnitNo.
    qint64 addUnit(qint32 docNo, const QString& name, const QString& form,
                   const QString& description = {});
    void addRoutine(qint32 docNo, qint64 unitNo, const QString& kind, const QString& name,
                    const QString& parameters, const QString& resultType,
                    const QString& description = {});

private:
    QString dataDir_;
    QString filePath_;
    std::unique_ptr<SqlFile> db_;
};
