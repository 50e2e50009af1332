#include "DeclarationMatch.h"

#include <QHash>

#include "DeclarationIdentity.h"

namespace ink {

namespace {

// Which stored row each found declaration took so far, and how.
struct Pairing {
    explicit Pairing(qsizetype found, int stored)
        : storedOf(found, -1), matchedBy(found, MatchedBy::Nothing), claimed(stored, false) {}

    void pair(qsizetype found, int stored, MatchedBy by) {
        storedOf[found] = stored;
        matchedBy[found] = by;
        claimed[stored] = true;
    }

    QList<int> storedOf; // by found index; -1 while unmatched
    QList<MatchedBy> matchedBy;
    QList<bool> claimed; // by stored index
};

// A refresh mostly finds a unit as it was, its declarations in the order
// they were stored: each is the next stored row. While every stored row
// before it is taken, that row is also the first one left of its identity,
// the one the keys would find; so no key is made for this leading run.
// Returns its length.
qsizetype pairInOrder(const QList<Declaration>& found, const StoredDeclarations& stored,
                      Pairing& pairing) {
    const qsizetype common = qMin(found.size(), qsizetype(stored.count()));
    qsizetype next = 0;
    for (; next < common; ++next) {
        const StoredDeclaration& row = stored.at(int(next));
        if (!row.kindKnown || !SameIdentity(row.declaration, found[next]))
            break;
        pairing.pair(next, int(next), MatchedBy::Identity);
    }
    return next;
}

// The stored rows by identity and by owner, name and group, each list in
// the store's order.
struct StoredKeys {
    QHash<QString, QList<int>> byKey;
    QHash<QString, QList<int>> byNameKey;
};

StoredKeys keysOf(const StoredDeclarations& stored) {
    StoredKeys keys;
    for (int row = 0; row < stored.count(); ++row) {
        const StoredDeclaration& s = stored.at(row);
        if (!s.kindKnown)
            continue;
        const DeclarationIdentity identity = IdentityOf(s.declaration);
        keys.byKey[identity.key()].append(row);
        keys.byNameKey[identity.nameKey()].append(row);
    }
    return keys;
}

// Each found declaration from `from` on takes the first row left of its identity.
void pairByIdentity(const QList<Declaration>& found, qsizetype from, const StoredKeys& keys,
                    Pairing& pairing) {
    for (qsizetype f = from; f < found.size(); ++f) {
        for (int s : keys.byKey.value(IdentityOf(found[f]).key()))
            if (!pairing.claimed[s]) {
                pairing.pair(f, s, MatchedBy::Identity);
                break;
            }
    }
}

// A changed signature: one declaration left over of its owner, name and
// group on each side.
void pairChangedSignatures(const QList<Declaration>& found, const StoredKeys& keys,
                           Pairing& pairing) {
    QList<QString> nameKeys(found.size()); // of the found declarations left
    QHash<QString, int> leftFound;
    for (qsizetype f = 0; f < found.size(); ++f)
        if (pairing.storedOf[f] < 0) {
            nameKeys[f] = IdentityOf(found[f]).nameKey();
            ++leftFound[nameKeys[f]];
        }
    for (qsizetype f = 0; f < found.size(); ++f) {
        if (pairing.storedOf[f] >= 0 || leftFound.value(nameKeys[f]) != 1)
            continue;
        int only = -1;
        int left = 0;
        for (int s : keys.byNameKey.value(nameKeys[f]))
            if (!pairing.claimed[s]) {
                only = s;
                ++left;
            }
        if (left == 1)
            pairing.pair(f, only, MatchedBy::ChangedSignature);
    }
}

// Whether a stored value is what the store would keep of `now`: text as it
// reads back (nothing reads as empty), a number as the same number.
bool sameStoredValue(const DeclarationField& field, const Declaration& stored,
                     const Declaration& now, const QString& unitFile) {
    if (field.number)
        return field.number(stored) == field.number(now);
    return field.text(stored, unitFile) == field.text(now, unitFile);
}

// Where a declaration stands rather than what it is.
bool isPlaceField(const DeclarationField& field) {
    const QLatin1StringView column(field.column);
    return column == QLatin1StringView("SourceFile") || column == QLatin1StringView("SourceLine");
}

// The number of the row that found declaration `f`'s enclosing type has:
// 0 at unit level, -1 while that row is yet to be written (it is new).
qint64 parentNumberOf(const QList<Declaration>& found, qsizetype f,
                      const StoredDeclarations& stored, const Pairing& pairing) {
    const int parent = found[f].parent;
    if (parent < 0 || parent >= f)
        return 0;
    const int row = pairing.storedOf[parent];
    return row < 0 ? -1 : stored.at(row).number;
}

// What found declaration `f` changes in the row it was paired with. Only
// what the source says is compared: the description, the stamp and the
// note of a changed signature are the store's own.
DeclarationMatch compareWithRow(const QList<Declaration>& found, qsizetype f,
                                const QString& unitFile, const StoredDeclarations& stored,
                                const Pairing& pairing) {
    DeclarationMatch match;
    match.matchedBy = pairing.matchedBy[f];
    match.stored = pairing.storedOf[f];
    const StoredDeclaration& row = stored.at(match.stored);
    const Declaration& now = found[f];
    match.cameBack = !row.present;
    match.parentChanged = parentNumberOf(found, f, stored, pairing) != row.parentNumber;
    bool placeOnly = true;
    const std::span<const DeclarationField> fields = DeclarationFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const DeclarationField& field = fields[i];
        if (sameStoredValue(field, row.declaration, now, unitFile))
            continue;
        match.changedFields.append(int(i));
        placeOnly = placeOnly && isPlaceField(field);
    }
    if (match.changedFields.isEmpty())
        match.change = match.parentChanged ? RowChange::Moved : RowChange::None;
    else
        match.change = placeOnly ? RowChange::Moved : RowChange::Changed;
    // The first change a description did not see is the one kept.
    match.keepsChangedFrom = match.change == RowChange::Changed && !row.hasChangedFrom &&
                             SignatureDiffers(row.declaration.text, now.text) &&
                             stored.described(match.stored);
    return match;
}

} // namespace

DeclarationChangeSet MatchDeclarations(const QList<Declaration>& found, const QString& unitFile,
                                       const StoredDeclarations& stored) {
    Pairing pairing(found.size(), stored.count());
    const qsizetype next = pairInOrder(found, stored, pairing);
    // Past the last stored row, whatever is left is new.
    if (next < found.size() && next < stored.count()) {
        const StoredKeys keys = keysOf(stored);
        pairByIdentity(found, next, keys, pairing);
        pairChangedSignatures(found, keys, pairing);
    }
    DeclarationChangeSet changes;
    changes.found.reserve(found.size());
    for (qsizetype f = 0; f < found.size(); ++f)
        changes.found.append(pairing.storedOf[f] < 0
                                 ? DeclarationMatch()
                                 : compareWithRow(found, f, unitFile, stored, pairing));
    changes.judgedByThisRead = !stored.judgedBefore();
    for (int row = 0; row < stored.count(); ++row) {
        if (pairing.claimed[row])
            continue;
        changes.leftTheSource.append(row);
        // Only asked until one answers: a row's presence is read with the row.
        if (!changes.judgedByThisRead)
            changes.judgedByThisRead = stored.at(row).present;
    }
    return changes;
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

} // namespace ink
