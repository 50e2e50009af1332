// A change set of a unit's declarations written to the store.
#include "DeclarationChanges.h"

#include <memory>
#include <optional>

#include "LeftTheSource.h"
#include "model/Described.h"
#include "model/RoutineDescriptions.h"
#include "NewDeclarations.h"
#include "SeenStamps.h"
#include "TDM1.h"
#include "TField.h"
#include "TTable.h"

namespace ink {

namespace {

// The columns of the model's fields in the declarations' table, in the model's order.
QList<int> modelColumns(const TTable& decls) {
    QList<int> columns;
    for (const DeclarationField& field : DeclarationFields())
        columns.append(decls.fieldByName(QString::fromLatin1(field.column))->index());
    return columns;
}

// Reads the current unit's rows out of the scope in memory.
class ScopeRows {
public:
    explicit ScopeRows(const TDM1& dm)
        : dm_(dm), decls_(*dm.tblDecls), columns_(modelColumns(decls_)),
          judgedBy_(
              DeclarationsJudgedBy(dm.tblUnitsDeclsSeen->value(), dm.tblDocsLastScan->value())) {}

    StoredDeclaration read(int row) {
        StoredDeclaration stored;
        stored.number = value(row, dm_.tblDeclsDeclNo).toLongLong();
        stored.parentNumber = value(row, dm_.tblDeclsParentNo).toLongLong();
        const std::span<const DeclarationField> fields = DeclarationFields();
        for (std::size_t f = 0; f < fields.size(); ++f)
            fields[f].load(stored.declaration, decls_.rowValue(row, columns_[qsizetype(f)]));
        stored.kindKnown = kindKnown(row, stored.declaration.kind);
        stored.present = !LeftTheSource(value(row, dm_.tblDeclsLastSeen), judgedBy_);
        stored.hasChangedFrom = !value(row, dm_.tblDeclsChangedFrom).toString().isEmpty();
        return stored;
    }

    // Whether the description row `row` shows is one. A routine declaration
    // that shares the routine row's description has one as much as one with
    // its own; the routine rows are read only when a row may share one.
    bool described(int row) {
        const QString own = value(row, dm_.tblDeclsDescription).toString();
        if (IsDescribed(own))
            return true;
        const QString kindWord = value(row, dm_.tblDeclsDeclKind).toString();
        const QString name = value(row, dm_.tblDeclsDeclName).toString();
        if (!SharesRoutineDescription(kindWord))
            return false;
        return IsDescribed(DescriptionShown(kindWord, name, own, routineDescriptions()).text);
    }

private:
    // Whether the row's kind word is one this version knows, and so `kind`
    // as it was loaded; the store writes each word as the model names it.
    bool kindKnown(int row, DeclKind kind) const {
        const QVariant word = value(row, dm_.tblDeclsDeclKind);
        DeclKind known;
        return StoredText(word) == DeclKindName(kind) || DeclKindFromName(StoredText(word), &known);
    }

    QVariant value(int row, const TField* field) const {
        return decls_.rowValue(row, field->index());
    }

    const RoutineDescriptionsByName& routineDescriptions() {
        if (!routineDescriptions_) {
            routineDescriptions_.emplace();
            const TTable& procs = *dm_.tblProc;
            for (int row = 0; row < procs.recordCount(); ++row)
                AddRoutineDescription(
                    *routineDescriptions_,
                    procs.rowValue(row, dm_.tblProcProcName->index()).toString(),
                    procs.rowValue(row, dm_.tblProcDescription->index()).toString());
        }
        return *routineDescriptions_;
    }

    const TDM1& dm_;
    const TTable& decls_;
    QList<int> columns_;
    QVariant judgedBy_;
    std::optional<RoutineDescriptionsByName> routineDescriptions_;
};

// The rows of the found declarations, by found index: each matched one's
// stored number, each new one's number once written.
class FoundNumbers {
public:
    FoundNumbers(const QList<Declaration>& found, const StoredDeclarations& stored,
                 const DeclarationChangeSet& changes)
        : found_(found), numbers_(found.size(), 0) {
        for (qsizetype i = 0; i < found.size(); ++i)
            if (!changes.found[i].isNew())
                numbers_[i] = stored.at(changes.found[i].stored).number;
    }

    qint64 operator[](qsizetype i) const { return numbers_[i]; }
    void set(qsizetype i, qint64 number) { numbers_[i] = number; }
    // The row of found declaration i's enclosing type; 0 at unit level.
    qint64 parentOf(qsizetype i) const {
        const int parent = found_[i].parent;
        return parent >= 0 && parent < i ? numbers_[parent] : 0;
    }

private:
    const QList<Declaration>& found_;
    QList<qint64> numbers_;
};

// Posts the fields of matched row `match` that the source changed.
void postChangedRow(TDM1& dm, const QList<int>& columns, const Declaration& now,
                    const QString& unitFile, const StoredDeclaration& stored,
                    const DeclarationMatch& match, qint64 parentNo, const QDateTime& stamp) {
    TTable& decls = *dm.tblDecls;
    decls.moveTo(match.stored);
    decls.edit();
    const std::span<const DeclarationField> fields = DeclarationFields();
    for (int f : match.changedFields)
        decls.field(columns[f])->setValue(fields[std::size_t(f)].stored(now, unitFile));
    if (match.parentChanged)
        dm.tblDeclsParentNo->setValue(parentNo);
    if (match.keepsChangedFrom)
        dm.tblDeclsChangedFrom->setValue(stored.declaration.text);
    dm.tblDeclsLastSeen->setValue(stamp);
    decls.post();
}

} // namespace

StoredDeclarations SnapshotDeclarations(const TDM1& dm) {
    auto rows = std::make_shared<ScopeRows>(dm);
    return StoredDeclarations(
        dm.tblDecls->recordCount(), [rows](int row) { return rows->read(row); },
        [rows](int row) { return rows->described(row); }, !dm.tblUnitsDeclsSeen->value().isNull());
}

int ApplyDeclarationChanges(TDM1& dm, const QList<Declaration>& found, const QString& unitFile,
                            const StoredDeclarations& stored, const DeclarationChangeSet& changes,
                            SeenStamps& seen, NewDeclarations& inserts, const QDateTime& stamp) {
    const DeclarationPlace unit{dm.tblUnitsDocNo->value().toLongLong(),
                                dm.tblUnitsUnitNo->value().toLongLong(), 0, unitFile};
    FoundNumbers numbers(found, stored, changes);
    // New rows first, in the order found (a member after its type), so that
    // every number is known before a changed row's ParentNo is written; they
    // follow the stored rows in the scope, whose places stay as they are.
    int rowsAfter = stored.count();
    for (qsizetype i = 0; i < found.size(); ++i) {
        if (!changes.found[i].isNew())
            continue;
        DeclarationPlace place = unit;
        place.parentNo = numbers.parentOf(i);
        numbers.set(i, inserts.insert(place, found[i]));
        ++rowsAfter;
    }
    const TTable& decls = *dm.tblDecls;
    const QList<int> columns = modelColumns(decls);
    for (qsizetype i = 0; i < found.size(); ++i) {
        const DeclarationMatch& match = changes.found[i];
        if (match.isNew())
            continue;
        if (match.change != RowChange::None) {
            postChangedRow(dm, columns, found[i], unitFile, stored.at(match.stored), match,
                           numbers.parentOf(i), stamp);
            continue;
        }
        // Found as it was: stamped when it comes back, or when every row
        // found is to carry this read's stamp.
        const bool stampIt =
            changes.judgedByThisRead
                ? decls.rowValue(match.stored, dm.tblDeclsLastSeen->index()).toDateTime() != stamp
                : match.cameBack;
        if (stampIt)
            seen.declarationSeen(numbers[i]);
    }
    if (changes.judgedByThisRead) {
        dm.tblUnits->edit();
        dm.tblUnitsDeclsSeen->setValue(stamp);
        dm.tblUnits->post();
    }
    return rowsAfter;
}

int UpdateDeclarations(TDM1& dm, const QList<Declaration>& found, const QString& unitFile,
                       SeenStamps& seen, NewDeclarations& inserts, const QDateTime& stamp) {
    const StoredDeclarations stored = SnapshotDeclarations(dm);
    const DeclarationChangeSet changes = MatchDeclarations(found, unitFile, stored);
    return ApplyDeclarationChanges(dm, found, unitFile, stored, changes, seen, inserts, stamp);
}

} // namespace ink
