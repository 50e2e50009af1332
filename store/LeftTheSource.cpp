#include "LeftTheSource.h"

#include <QDateTime>

#include "Statement.h"

namespace ink {

bool LeftTheSource(const QVariant& lastSeen, const QVariant& lastScan) {
    if (lastScan.isNull())
        return false;
    return lastSeen.isNull() || lastSeen.toDateTime() < lastScan.toDateTime();
}

QString LeftTheSourceSql(const QString& lastSeen, const QString& lastScan) {
    return QStringLiteral("((%1 IS NULL OR %1 < %2) AND %2 IS NOT NULL)").arg(lastSeen, lastScan);
}

QVariant DeclarationsJudgedBy(const QVariant& declsSeen, const QVariant& lastScan) {
    return declsSeen.isNull() ? lastScan : declsSeen;
}

bool DeclarationLeftTheSource(const QVariant& lastSeen, const QVariant& declsSeen,
                              const QVariant& lastScan) {
    return LeftTheSource(lastSeen, DeclarationsJudgedBy(declsSeen, lastScan));
}

QString DeclarationLeftTheSourceSql(const QString& decls, const QString& units,
                                    int lastScanParameter) {
    return LeftTheSourceSql(decls + QStringLiteral(".LastSeen"),
                            QStringLiteral("COALESCE(%1.DeclsSeen, ?%2)")
                                .arg(units, QString::number(lastScanParameter)));
}

QVariant StoredLastScan(Database& db, int docNo) {
    Statement scan(db, QStringLiteral("SELECT LastScan FROM DocsLib WHERE DocNo = ?"));
    scan.bindInteger(1, docNo);
    if (!scan.step() || scan.isNullAt(0))
        return {};
    return scan.textAt(0);
}

void BindLastScan(Statement& statement, int parameter, const QVariant& lastScan) {
    if (lastScan.isNull())
        statement.bindNull(parameter);
    else
        statement.bindText(parameter, lastScan.toString());
}

} // namespace ink
