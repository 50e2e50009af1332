// A unit's declarations as read matched to the rows stored for it.
#include "DeclarationRows.h"

#include <bit>
#include <cstring>
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

// Owner, name and kind group: what a declaration keeps through a change of
// its signature.
QString nameKey(const QString& owner, const QString& name, const QString& group) {
    return owner.toCaseFolded() + QChar(1) + name.toCaseFolded() + QChar(1) + group;
}

// Each stored row of the unit (by its place in the scope) with what it is
// found by, the keys made only when the order of the source changed.
struct StoredRow {
    QString nameKey;
    QString overloadKey;
    bool claimed = false;
};

// Whether two names are the same with letter case folded, as their keys
// compare; ASCII names, nearly all, without making the folded copies.
bool foldedEqual(const QString& a, const QString& b) {
    const qsizetype size = a.size();
    const QChar* x = a.constData();
    const QChar* y = b.constData();
    bool ascii = size == b.size();
    for (qsizetype i = 0; ascii && i < size; ++i)
        ascii = x[i].unicode() < 0x80 && y[i].unicode() < 0x80;
    if (!ascii)
        return a.toCaseFolded() == b.toCaseFolded();
    for (qsizetype i = 0; i < size; ++i) {
        char16_t p = x[i].unicode();
        char16_t q = y[i].unicode();
        if (p >= u'A' && p <= u'Z')
            p += u'a' - u'A';
        if (q >= u'A' && q <= u'Z')
            q += u'a' - u'A';
        if (p != q)
            return false;
    }
    return true;
}

// Whether a stored value is what the store would keep of `now`: text as it
// reads back (nothing reads as empty), a number as the same number.
bool sameStoredValue(const QVariant& stored, const QVariant& now, ColumnShape shape) {
    if (shape == ColumnShape::Integer)
        return stored.isNull() == now.isNull() && stored.toLongLong() == now.toLongLong();
    return stored.toString() == StoredText(now);
}

} // namespace

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

int WriteDeclarations(TDM1& dm, const UnitDeclarations& found, SeenStamps& seen,
                      NewDeclarations& inserts, const QDateTime& stamp) {
    TTable& decls = *dm.tblDecls;
    const QVariant docNo = dm.tblUnitsDocNo->value();
    const QVariant unitNo = dm.tblUnitsUnitNo->value();
    auto column = [&](TField* field) {
        return field->index();
    };
    const qsizetype count = found.declarations.size();
    // The columns of the declaration's own fields, in the model's order.
    QList<int> sourceColumns;
    for (const DeclarationField& field : DeclarationFields())
        sourceColumns.append(decls.fieldByName(QString::fromLatin1(field.column))->index());
    // The unit's own file is not repeated in every row: only an include
    // file is named.
    const QString unitFile = found.sources.isEmpty() ? QString() : found.sources.first().path;
    QList<qint64> numbers(count, 0); // found -> its row's DeclNo, for the members' ParentNo
    auto parentOf = [&](qsizetype i) {
        const int parent = found.declarations[i].parent;
        return parent >= 0 && parent < i ? numbers[parent] : 0;
    };
    auto insert = [&](qsizetype i) {
        numbers[i] =
            inserts.insert({docNo.toLongLong(), unitNo.toLongLong(), parentOf(i), unitFile},
                           found.declarations[i]);
    };
    // The unit's declarations are judged by its DeclsSeen (see
    // DeclarationsJudgedBy): a row found that was not missing is written
    // only when the source changed it. When the read misses one that was
    // there, DeclsSeen moves to this read, so that one reads as missing, and
    // every row found is stamped with it. A unit without DeclsSeen (a store
    // from before) gets it so at its first read.
    const QVariant declsSeen = dm.tblUnitsDeclsSeen->value();
    const QVariant judgedBy = DeclarationsJudgedBy(declsSeen, dm.tblDocsLastScan->value());
    auto judgeByThisRead = [&] {
        dm.tblUnits->edit();
        dm.tblUnitsDeclsSeen->setValue(stamp);
        dm.tblUnits->post();
    };
    // A unit first read (every unit of a new document) has nothing to match.
    if (decls.recordCount() == 0) {
        for (qsizetype i = 0; i < count; ++i)
            insert(i);
        if (declsSeen.isNull())
            judgeByThisRead();
        return int(count);
    }

    const int storedCount = decls.recordCount();
    QList<StoredRow> stored(storedCount);
    auto storedText = [&](int row, TField* field) {
        return decls.rowValue(row, column(field)).toString();
    };
    // Whether stored row `s` is found declaration `d` by owner, name, kind
    // group and overload key, as their keys compare.
    auto sameKey = [&](int s, const Declaration& d) {
        const QString kind = storedText(s, dm.tblDeclsDeclKind);
        if (kind != DeclKindName(d.kind) &&
            KindWordGroup(kind) != DeclGroupName(DeclKindGroup(d.kind)))
            return false;
        return foldedEqual(storedText(s, dm.tblDeclsDeclName), d.name) &&
               foldedEqual(storedText(s, dm.tblDeclsOwner), d.owner) &&
               foldedEqual(storedText(s, dm.tblDeclsOverloadKey), d.overloadKey);
    };
    QList<int> match(count, -1); // found -> stored index
    // A refresh mostly finds a unit as it was, its declarations in the order
    // they were stored: each is the next stored row. While every stored row
    // before it is claimed, that row is also the first unclaimed one of its
    // key, the one the keys below would find.
    qsizetype next = 0;
    for (; next < count && next < storedCount && sameKey(int(next), found.declarations[next]);
         ++next) {
        stored[next].claimed = true;
        match[next] = int(next);
    }
    // Past the last stored row, whatever is left is new.
    QHash<QString, QList<int>> byNameKey;
    if (next < count && next < storedCount) {
        QHash<QString, QList<int>> byExactKey; // name key + overload key -> stored indexes
        for (int row = 0; row < storedCount; ++row) {
            StoredRow& s = stored[row];
            s.nameKey =
                nameKey(storedText(row, dm.tblDeclsOwner), storedText(row, dm.tblDeclsDeclName),
                        KindWordGroup(storedText(row, dm.tblDeclsDeclKind)));
            s.overloadKey = storedText(row, dm.tblDeclsOverloadKey).toCaseFolded();
            byExactKey[s.nameKey + QChar(2) + s.overloadKey].append(row);
            byNameKey[s.nameKey].append(row);
        }
        for (; next < count; ++next) {
            const Declaration& d = found.declarations[next];
            const QString key = nameKey(d.owner, d.name, DeclGroupName(DeclKindGroup(d.kind)));
            for (int s : byExactKey.value(key + QChar(2) + d.overloadKey.toCaseFolded()))
                if (!stored[s].claimed) {
                    stored[s].claimed = true;
                    match[next] = s;
                    break;
                }
        }
    }
    // A changed signature: one declaration left over of its owner, name and
    // kind group on each side. With more on either side there is no telling
    // which became which, and guessing wrong would put a description on the
    // wrong overload; they are left missing and new instead.
    QHash<qsizetype, QString> leftKeys; // found index -> its name key
    QHash<QString, int> leftFound;
    for (qsizetype f = 0; f < count; ++f)
        if (match[f] < 0) {
            const Declaration& d = found.declarations[f];
            const QString key = nameKey(d.owner, d.name, DeclGroupName(DeclKindGroup(d.kind)));
            leftKeys.insert(f, key);
            ++leftFound[key];
        }
    for (qsizetype f = 0; f < count; ++f) {
        if (match[f] >= 0 || leftFound.value(leftKeys.value(f)) != 1)
            continue;
        int only = -1;
        int left = 0;
        for (int s : byNameKey.value(leftKeys.value(f)))
            if (!stored[s].claimed) {
                only = s;
                ++left;
            }
        if (left == 1) {
            stored[only].claimed = true;
            match[f] = only;
        }
    }

    for (qsizetype i = 0; i < count; ++i)
        if (match[i] >= 0)
            numbers[i] = decls.rowValue(match[i], column(dm.tblDeclsDeclNo)).toLongLong();
    auto present = [&](int row) {
        return !LeftTheSource(decls.rowValue(row, column(dm.tblDeclsLastSeen)), judgedBy);
    };
    bool judgeAgain = declsSeen.isNull();
    for (int row = 0; row < storedCount && !judgeAgain; ++row)
        judgeAgain = !stored[row].claimed && present(row);
    // New rows first, in source order (a member after its type), so that
    // every number is known before a found row's ParentNo is compared; they
    // follow the stored rows in the scope, whose places stay as they are.
    int rowsAfter = storedCount;
    for (qsizetype i = 0; i < count; ++i)
        if (match[i] < 0) {
            insert(i);
            ++rowsAfter;
        }

    // A routine declaration that shares the routine row's description has
    // one as much as one with its own; read only when a row changed.
    std::optional<RoutineDescriptionsByName> routineDescriptions;
    auto sharedDescriptions = [&]() -> const RoutineDescriptionsByName& {
        if (!routineDescriptions) {
            routineDescriptions.emplace();
            const TTable& procs = *dm.tblProc;
            for (int row = 0; row < procs.recordCount(); ++row)
                AddRoutineDescription(
                    *routineDescriptions,
                    procs.rowValue(row, dm.tblProcProcName->index()).toString(),
                    procs.rowValue(row, dm.tblProcDescription->index()).toString());
        }
        return *routineDescriptions;
    };
    for (qsizetype i = 0; i < count; ++i) {
        if (match[i] < 0)
            continue;
        const Declaration& d = found.declarations[i];
        const int row = match[i];
        // Only what the source says is compared: the description, the
        // stamp and the note of a changed signature are the store's own.
        // Empty text is stored as nothing, which reads back as empty.
        QList<std::pair<TField*, QVariant>> changed;
        const qint64 parentNo = parentOf(i);
        if (decls.rowValue(row, column(dm.tblDeclsParentNo)).toLongLong() != parentNo)
            changed.append({dm.tblDeclsParentNo, QVariant(parentNo)});
        const std::span<const DeclarationField> fields = DeclarationFields();
        for (std::size_t f = 0; f < fields.size(); ++f) {
            const QVariant now = fields[f].stored(d, unitFile);
            if (!sameStoredValue(decls.rowValue(row, sourceColumns[f]), now, fields[f].shape))
                changed.append({decls.field(sourceColumns[f]), now});
        }
        if (changed.isEmpty()) {
            // Back from missing, or judged by this read from now on.
            if (judgeAgain ? decls.rowValue(row, column(dm.tblDeclsLastSeen)).toDateTime() != stamp
                           : !present(row))
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
    if (judgeAgain)
        judgeByThisRead();
    return rowsAfter;
}

namespace {

// Two 64-bit lanes, each mixing every word. Qt's own hashes are seeded
// per process, and this digest is kept between runs; a false match would
// leave a changed declaration unwritten, so two lanes of differently mixed
// products.
class Digest {
public:
    // Sixteen bytes a step, each lane taking both words, so that the two
    // multiplications of a step do not wait for one another.
    void add(const void* data, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        // The length first, so that where one text ends and the next begins counts.
        a_ ^= size;
        b_ ^= std::rotl(quint64(size), 32);
        quint64 first = 0;
        quint64 second = 0;
        for (; size >= 16; bytes += 16, size -= 16) {
            std::memcpy(&first, bytes, 8);
            std::memcpy(&second, bytes + 8, 8);
            mix(first, second);
        }
        // The rest, zero-padded: byte i at bit 8 * (i % 8) of its word. On a
        // little-endian machine that is a copy; most texts are short, so
        // this tail is much of the work.
        if constexpr (std::endian::native == std::endian::little) {
            unsigned char tail[16] = {};
            std::memcpy(tail, bytes, size);
            std::memcpy(&first, tail, 8);
            std::memcpy(&second, tail + 8, 8);
        } else {
            first = 0;
            second = 0;
            for (size_t i = 0; i < size; ++i)
                (i < 8 ? first : second) |= quint64(bytes[i]) << (8 * (i % 8));
        }
        mix(first, second);
    }
    void mix(quint64 first, quint64 second) {
        a_ = (a_ ^ first ^ std::rotl(second, 17)) * 0x9e3779b97f4a7c15ULL;
        a_ ^= a_ >> 32;
        b_ = (b_ ^ second ^ std::rotl(first, 31)) * 0xc2b2ae3d27d4eb4fULL;
        b_ ^= b_ >> 29;
    }
    QString text() const {
        return QString::number(a_, 16) + QLatin1Char('-') + QString::number(b_, 16);
    }

private:
    quint64 a_ = 0x243f6a8885a308d3ULL;
    quint64 b_ = 0x13198a2e03707344ULL;
};

} // namespace

QString ReadDigest(const UnitScan& scan) {
    Digest digest;
    auto text = [&](const QString& value) {
        digest.add(value.constData(), size_t(value.size()) * sizeof(QChar));
    };
    auto number = [&](qint64 value) {
        digest.mix(quint64(value), 0);
    };
    number(scan.routines.rows.size());
    for (const RoutineRow& row : scan.routines.rows) {
        text(row.procType);
        text(row.name);
        text(row.params);
        text(row.result);
        text(row.declaration);
    }
    // What the store keeps of each declaration, field by field as the model
    // lists them, so that no field can be left out of the digest.
    const QString unitFile =
        scan.declarations.sources.isEmpty() ? QString() : scan.declarations.sources.first().path;
    const std::span<const DeclarationField> fields = DeclarationFields();
    number(scan.declarations.declarations.size());
    for (const Declaration& d : scan.declarations.declarations) {
        number(d.parent);
        for (const DeclarationField& field : fields) {
            const QVariant value = field.stored(d, unitFile);
            if (field.shape == ColumnShape::Integer)
                number(value.isNull() ? -1 : value.toLongLong());
            else
                text(StoredText(value));
        }
    }
    return digest.text();
}

} // namespace ink
