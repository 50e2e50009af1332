// A unit's declarations as read matched to the rows stored for it.
#include "DeclarationRows.h"

#include <optional>
#include <QHash>
#include <utility>

#include "store/Coverage.h"
#include "store/DeclarationDescriptions.h"
#include "store/NewDeclarations.h"
#include "store/SeenStamps.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace ink {

namespace {

QVariant textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant() : QVariant(text);
}

// The group a stored kind word belongs to; a word this version does not
// know (a later version's) is a group of its own.
QString groupOf(const QString& kindWord) {
    DeclKind kind;
    if (!DeclKindFromName(kindWord, &kind))
        return QStringLiteral("?") + kindWord.toCaseFolded();
    return DeclGroupName(DeclKindGroup(kind));
}

// Owner, name and kind group: what a declaration keeps through a change of
// its signature.
QString nameKey(const QString& owner, const QString& name, const QString& group) {
    return owner.toCaseFolded() + QChar(1) + name.toCaseFolded() + QChar(1) + group;
}

// Each stored row of the unit with what it is found by.
struct StoredRow {
    int row;
    QString nameKey;
    QString overloadKey;
    bool claimed = false;
};

} // namespace

QString StoredDirectives(const Declaration& declaration) {
    if (declaration.directives.isEmpty())
        return declaration.hints;
    if (declaration.hints.isEmpty())
        return declaration.directives;
    return declaration.directives + QStringLiteral("; ") + declaration.hints;
}

QString StoredAncestor(const Declaration& declaration) {
    QStringList names;
    if (!declaration.ancestor.isEmpty())
        names << declaration.ancestor;
    names << declaration.interfaces;
    return names.join(QStringLiteral(", "));
}

bool SignatureDiffers(const QString& before, const QString& after) {
    // The head through its first semicolon outside parentheses and
    // brackets; what follows is directives.
    auto head = [](const QString& text) {
        QString folded;
        int depth = 0;
        for (const QChar c : text) {
            if (c == QLatin1Char('(') || c == QLatin1Char('['))
                ++depth;
            else if (c == QLatin1Char(')') || c == QLatin1Char(']'))
                --depth;
            else if (c == QLatin1Char(';') && depth <= 0)
                break;
            if (!c.isSpace())
                folded += c;
        }
        return folded.toCaseFolded();
    };
    return head(before) != head(after);
}

void WriteDeclarations(TDM1& dm, const UnitDeclarations& found, SeenStamps& seen,
                       const QDateTime& stamp) {
    NewDeclarations inserts(dm.database(), stamp);
    WriteDeclarations(dm, found, seen, inserts, stamp);
}

void WriteDeclarations(TDM1& dm, const UnitDeclarations& found, SeenStamps& seen,
                       NewDeclarations& inserts, const QDateTime& stamp) {
    TTable& decls = *dm.tblDecls;
    const QVariant docNo = dm.tblUnitsDocNo->value();
    const QVariant unitNo = dm.tblUnitsUnitNo->value();
    auto column = [&](TField* field) {
        return field->index();
    };
    const qsizetype count = found.declarations.size();
    // The unit's own file is not repeated in every row: only an include
    // file is named.
    const QString unitFile = found.sources.isEmpty() ? QString() : found.sources.first().path;
    QList<qint64> numbers(count, 0); // found -> its row's DeclNo, for the members' ParentNo
    auto parentOf = [&](qsizetype i) {
        const int parent = found.declarations[i].parent;
        return parent >= 0 && parent < i ? numbers[parent] : 0;
    };
    auto insert = [&](qsizetype i) {
        const Declaration& d = found.declarations[i];
        NewDeclaration row;
        row.docNo = docNo.toLongLong();
        row.unitNo = unitNo.toLongLong();
        row.parentNo = parentOf(i);
        row.kind = DeclKindName(d.kind);
        row.name = d.name;
        row.owner = d.owner;
        row.overloadKey = d.overloadKey;
        row.declaration = d.text;
        row.visibility = d.visibility;
        row.directives = StoredDirectives(d);
        row.ancestor = StoredAncestor(d);
        if (d.sourceFile != unitFile)
            row.sourceFile = d.sourceFile;
        row.line = d.line;
        numbers[i] = inserts.insert(row);
    };
    // A unit first read (every unit of a new document) has nothing to match.
    if (decls.recordCount() == 0) {
        for (qsizetype i = 0; i < count; ++i)
            insert(i);
        return;
    }

    QList<StoredRow> stored;
    stored.reserve(decls.recordCount());
    QHash<QString, QList<int>> byExactKey; // name key + overload key -> stored indexes
    QHash<QString, QList<int>> byNameKey;
    for (int row = 0; row < decls.recordCount(); ++row) {
        StoredRow s{row,
                    nameKey(decls.rowValue(row, column(dm.tblDeclsOwner)).toString(),
                            decls.rowValue(row, column(dm.tblDeclsDeclName)).toString(),
                            groupOf(decls.rowValue(row, column(dm.tblDeclsDeclKind)).toString())),
                    decls.rowValue(row, column(dm.tblDeclsOverloadKey)).toString().toCaseFolded()};
        byExactKey[s.nameKey + QChar(2) + s.overloadKey].append(int(stored.size()));
        byNameKey[s.nameKey].append(int(stored.size()));
        stored.append(s);
    }

    QList<QString> foundNameKeys(count);
    QList<int> match(count, -1); // found -> stored index
    for (qsizetype i = 0; i < count; ++i) {
        const Declaration& d = found.declarations[i];
        foundNameKeys[i] = nameKey(d.owner, d.name, DeclGroupName(DeclKindGroup(d.kind)));
        for (int s : byExactKey.value(foundNameKeys[i] + QChar(2) + d.overloadKey.toCaseFolded()))
            if (!stored[s].claimed) {
                stored[s].claimed = true;
                match[i] = s;
                break;
            }
    }
    // A changed signature: one declaration left over of its owner, name and
    // kind group on each side. With more on either side there is no telling
    // which became which, and guessing wrong would put a description on the
    // wrong overload; they are left missing and new instead.
    QHash<QString, int> leftFound;
    for (qsizetype i = 0; i < count; ++i)
        if (match[i] < 0)
            ++leftFound[foundNameKeys[i]];
    for (qsizetype i = 0; i < count; ++i) {
        if (match[i] >= 0 || leftFound.value(foundNameKeys[i]) != 1)
            continue;
        int only = -1;
        int left = 0;
        for (int s : byNameKey.value(foundNameKeys[i]))
            if (!stored[s].claimed) {
                only = s;
                ++left;
            }
        if (left == 1) {
            stored[only].claimed = true;
            match[i] = only;
        }
    }

    for (qsizetype i = 0; i < count; ++i)
        if (match[i] >= 0)
            numbers[i] =
                decls.rowValue(stored[match[i]].row, column(dm.tblDeclsDeclNo)).toLongLong();
    // New rows first, in source order (a member after its type), so that
    // every number is known before a found row's ParentNo is compared; they
    // follow the stored rows in the scope, whose places stay as they are.
    for (qsizetype i = 0; i < count; ++i)
        if (match[i] < 0)
            insert(i);

    // A routine declaration that shares the routine row's description has
    // one as much as one with its own; read only when a row changed.
    std::optional<QHash<QString, QString>> routineDescriptions;
    auto sharedDescriptions = [&]() -> const QHash<QString, QString>& {
        if (!routineDescriptions) {
            routineDescriptions.emplace();
            const TTable& procs = *dm.tblProc;
            for (int row = procs.recordCount() - 1; row >= 0; --row)
                routineDescriptions->insert(
                    procs.rowValue(row, dm.tblProcProcName->index()).toString().toCaseFolded(),
                    procs.rowValue(row, dm.tblProcDescription->index()).toString());
        }
        return *routineDescriptions;
    };
    for (qsizetype i = 0; i < count; ++i) {
        if (match[i] < 0)
            continue;
        const Declaration& d = found.declarations[i];
        const int row = stored[match[i]].row;
        // Only what the source says is compared: the description, the
        // stamp and the note of a changed signature are the store's own.
        // Empty text is stored as nothing, which reads back as empty.
        const QString kind = DeclKindName(d.kind);
        const QString directives = StoredDirectives(d);
        const QString ancestor = StoredAncestor(d);
        const QString sourceFile = d.sourceFile == unitFile ? QString() : d.sourceFile;
        const std::pair<TField*, const QString*> texts[] = {
            {dm.tblDeclsDeclKind, &kind},         {dm.tblDeclsDeclName, &d.name},
            {dm.tblDeclsOwner, &d.owner},         {dm.tblDeclsOverloadKey, &d.overloadKey},
            {dm.tblDeclsDeclaration, &d.text},    {dm.tblDeclsVisibility, &d.visibility},
            {dm.tblDeclsDirectives, &directives}, {dm.tblDeclsAncestor, &ancestor},
            {dm.tblDeclsSourceFile, &sourceFile}};
        QList<std::pair<TField*, QVariant>> changed;
        const qint64 parentNo = parentOf(i);
        if (decls.rowValue(row, column(dm.tblDeclsParentNo)).toLongLong() != parentNo)
            changed.append({dm.tblDeclsParentNo, QVariant(parentNo)});
        for (const auto& [field, now] : texts)
            if (decls.rowValue(row, column(field)).toString() != *now)
                changed.append({field, textOrNull(*now)});
        const QVariant line = decls.rowValue(row, column(dm.tblDeclsSourceLine));
        if (d.line > 0 ? line.toLongLong() != d.line || line.isNull() : !line.isNull())
            changed.append({dm.tblDeclsSourceLine, d.line > 0 ? QVariant(d.line) : QVariant()});
        if (changed.isEmpty()) {
            seen.declarationSeen(numbers[i]);
            continue;
        }
        const QString before = decls.rowValue(row, column(dm.tblDeclsDeclaration)).toString();
        const DeclarationDescription description = DescriptionShown(
            decls.rowValue(row, column(dm.tblDeclsDeclKind)).toString(),
            decls.rowValue(row, column(dm.tblDeclsDeclName)).toString(),
            decls.rowValue(row, column(dm.tblDeclsDescription)).toString(), sharedDescriptions());
        const bool keepBefore =
            IsDescribed(description.text) &&
            decls.rowValue(row, column(dm.tblDeclsChangedFrom)).toString().isEmpty() &&
            SignatureDiffers(before, d.text);
        decls.moveTo(row);
        decls.edit();
        for (const auto& [field, value] : changed)
            field->setValue(value);
        // The first change a description did not see is the one kept: the
        // user reviews against what the description was written for.
        if (keepBefore)
            dm.tblDeclsChangedFrom->setValue(before);
        dm.tblDeclsLastSeen->setValue(stamp);
        decls.post();
    }
}

} // namespace ink
