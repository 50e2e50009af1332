#include "ReportSource.h"

#include "FormEventHandlers.h"

#include <algorithm>
#include <functional>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include "store/Coverage.h"
#include "store/Database.h"
#include "store/DeclarationDescriptions.h"
#include "store/ReportVisibility.h"
#include "store/RoutineMarkers.h"
#include "store/Statement.h"
#include "store/StoreAddress.h"
#include "store/UserError.h"

namespace ink {

namespace {

// How the store keeps dates; older rows may be in ISO form.
const QString StoredDateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// Stored text as every output shows it. A NUL is no text (the source
// reader drops it too); a store written by hand, or by another program, may
// still hold one, and a page or a script would carry it raw.
QString textAt(const Statement& statement, int column) {
    if (statement.isNullAt(column))
        return {};
    QString text = statement.textAt(column);
    text.remove(QChar(0));
    return text;
}

QDateTime dateTimeAt(const Statement& statement, int column) {
    const QString text = textAt(statement, column);
    QDateTime moment = QDateTime::fromString(text, StoredDateTimeFormat);
    if (!moment.isValid())
        moment = QDateTime::fromString(text, Qt::ISODate);
    return moment;
}

QString documentColumns() {
    QStringList columns{"DocName", "DocAuthor", "DocCompany", "DocDate",
                        "DocSize", "IsVerInfo", "DPRFileName"};
    for (const VersionField& field : VersionFields)
        columns.append(QString::fromLatin1(field.column));
    return columns.join(QStringLiteral(", "));
}

// A stored declaration row before it is placed in the report's order.
struct DeclarationRow {
    qint64 declNo = 0;
    qint64 parentNo = 0;
    ReportDeclaration shown;
};

bool isRoutineKind(const QString& kind) {
    return kind == QLatin1String("procedure") || kind == QLatin1String("function") ||
           kind == QLatin1String("constructor") || kind == QLatin1String("destructor") ||
           kind == QLatin1String("operator");
}

// A property of an event type: by the convention every Delphi and Lazarus
// library keeps, its name is "On" and a capital.
bool isEvent(const ReportDeclaration& d) {
    return d.kind == QLatin1String("property") && d.name.size() > 2 &&
           d.name.startsWith(QLatin1String("On")) && (d.name[2].isUpper() || d.name[2] == '_');
}

// The groups a unit's own declarations are shown in, in order.
int unitGroup(const ReportDeclaration& d) {
    if (d.isStructure() || d.kind == QLatin1String("type"))
        return 0;
    if (isRoutineKind(d.kind))
        return 1;
    if (d.kind == QLatin1String("const") || d.kind == QLatin1String("resourcestring"))
        return 2;
    return 3; // var, threadvar, and anything the reader may name later
}
const char* const UnitGroupHeadings[] = {"Types", "Routines", "Constants", "Variables"};

// The groups a type's members are shown in, in order.
int memberGroup(const ReportDeclaration& d) {
    if (d.kind == QLatin1String("constructor") || d.kind == QLatin1String("destructor"))
        return 0;
    if (isRoutineKind(d.kind))
        return 1;
    if (d.kind == QLatin1String("property"))
        return isEvent(d) ? 3 : 2;
    if (d.kind == QLatin1String("field") || d.kind == QLatin1String("var") ||
        d.kind == QLatin1String("threadvar"))
        return 4;
    if (d.kind == QLatin1String("const") || d.kind == QLatin1String("resourcestring"))
        return 5;
    return 6; // nested types
}
const char* const MemberGroupHeadings[] = {"Constructors and destructors",
                                           "Methods",
                                           "Properties",
                                           "Events",
                                           "Fields",
                                           "Constants",
                                           "Nested types"};

bool hasColumn(Database& db, const QString& table, const QString& column) {
    return db.columnsOf(table).contains(column, Qt::CaseInsensitive);
}

} // namespace

ReportSource::ReportSource(const StoreAddress& store) {
    // Read-only: the report never changes the store, and reads it also
    // from a folder the user may not write.
    if (!store.isServer() && !QFileInfo(store.databaseFile()).isFile())
        throw UserError(QStringLiteral("The documentation database %1 does not exist.")
                            .arg(store.databaseFile()));
    db_ = std::make_unique<Database>(store, QList<TableDef>{}, Database::Access::ReadOnly);
    // One read transaction for the source's life, so every pass over the
    // document (the page count, then the pages) sees it as it stood at
    // one moment, and page numbers cannot drift between them.
    db_->beginSnapshot();
    hasDeclarations_ = hasColumn(*db_, QStringLiteral("ProcsLib"), QStringLiteral("Declaration"));
    hasMissingSources_ =
        hasColumn(*db_, QStringLiteral("UnitsLib"), QStringLiteral("MissingSource"));
    hasReportChoices_ =
        hasColumn(*db_, QStringLiteral("DocsLib"), QStringLiteral("ReportEventHandlers"));
    hasScanStamps_ = hasColumn(*db_, QStringLiteral("DocsLib"), QStringLiteral("LastScan")) &&
                     hasColumn(*db_, QStringLiteral("UnitsLib"), QStringLiteral("LastSeen")) &&
                     hasColumn(*db_, QStringLiteral("ProcsLib"), QStringLiteral("LastSeen"));
}

ReportSource::~ReportSource() = default;

void ReportSource::countUnitsAndRoutines(ReportDocument& document) {
    Statement count(*db_, QStringLiteral("SELECT COUNT(*) FROM UnitsLib WHERE DocNo = ?"));
    count.bindInteger(1, document.docNo);
    count.step();
    document.unitCount = int(count.integerAt(0));
    // The coverage's figures, in a store of any version.
    document.coverage = ReadCoverage(*db_, document.docNo);
    coverage_ = std::move(document.coverage.units);
    document.coverage.units.clear();
}

QStringList ReportSource::defaultVisibilities() {
    return DefaultReportVisibilities();
}

void ReportSource::setEventHandlers(bool listed) {
    eventHandlers_ = listed;
    eventHandlersChosen_ = true;
}

void ReportSource::setVisibilities(const QStringList& words) {
    const QStringList& known = ReportVisibilityWords();
    QStringList chosen;
    for (const QString& word : words) {
        const QString folded = word.trimmed().toLower();
        if (!known.contains(folded))
            throw UserError(QStringLiteral("\"%1\" is no visibility: use %2.")
                                .arg(word, known.join(QStringLiteral(", "))));
        if (!chosen.contains(folded))
            chosen.append(folded);
    }
    visibilities_ = chosen;
    visibilitiesChosen_ = true;
}

bool ReportSource::showsVisibility(const QString& visibility) const {
    QString word = visibility.trimmed().toLower();
    if (word.isEmpty())
        return true;
    if (word.startsWith(QLatin1String("strict ")))
        word = word.mid(7).trimmed();
    if (word == QLatin1String("automated"))
        word = QStringLiteral("public");
    return visibilities_.contains(word);
}

void ReportSource::readDeclarations(ReportUnit& unit, qint64 unitNo) {
    unit.declarations.clear();
    unit.otherRoutines.clear();
    if (!declarations_)
        return;
    BindLastScan(*declarations_, 1, lastScan_);
    declarations_->bindInteger(2, document_.docNo);
    declarations_->bindInteger(3, unitNo);
    QList<DeclarationRow> rows;
    while (declarations_->step()) {
        DeclarationRow row;
        row.declNo = declarations_->integerAt(0);
        row.parentNo = declarations_->isNullAt(1) ? 0 : declarations_->integerAt(1);
        ReportDeclaration& d = row.shown;
        d.kind = textAt(*declarations_, 2).trimmed().toLower();
        d.name = textAt(*declarations_, 3);
        d.owner = textAt(*declarations_, 4);
        d.declaration = textAt(*declarations_, 5);
        d.visibility = textAt(*declarations_, 6);
        d.directives = textAt(*declarations_, 7);
        d.ancestor = textAt(*declarations_, 8);
        d.sourceFile = textAt(*declarations_, 9);
        // Only an include file is named in the row; the unit's own is not.
        if (d.sourceFile.isEmpty())
            d.sourceFile = unit.name;
        d.sourceLine = declarations_->isNullAt(10) ? 0 : int(declarations_->integerAt(10));
        d.description = textAt(*declarations_, 11);
        d.changedFrom = textAt(*declarations_, 12);
        d.leftTheSource = declarations_->integerAt(13) != 0;
        rows.append(row);
    }
    declarations_->reset();
    if (rows.isEmpty())
        return; // the unit's routines are shown as before

    // The routine rows' descriptions stand for the routine declarations
    // that have none of their own (the rule the window and coverage keep).
    QHash<QString, QString> routineDescriptions;
    for (const ReportRoutine& routine : std::as_const(unit.routines))
        if (!routineDescriptions.contains(routine.name.toCaseFolded()))
            routineDescriptions.insert(routine.name.toCaseFolded(), routine.description);
    QSet<QString> declaredRoutines;
    QHash<qint64, int> byNo;
    for (int i = 0; i < rows.size(); ++i) {
        ReportDeclaration& d = rows[i].shown;
        byNo.insert(rows[i].declNo, i);
        if (isRoutineKind(d.kind))
            declaredRoutines.insert(d.name.toCaseFolded());
        const DeclarationDescription shown =
            DescriptionShown(d.kind, d.name, d.description, routineDescriptions);
        d.description = shown.text;
        d.sharedDescription = shown.shared;
    }
    // Members by their type, in source order; a row whose type is gone
    // stands at unit level rather than vanish.
    QHash<qint64, QList<int>> members;
    QList<int> roots;
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].parentNo != 0 && byNo.contains(rows[i].parentNo) &&
            rows[i].parentNo != rows[i].declNo)
            members[rows[i].parentNo].append(i);
        else
            roots.append(i);
    }
    // The form classes of the unit, for leaving out their event handlers;
    // a form may derive from one declared before it.
    QSet<qint64> formClasses;
    if (!eventHandlers_) {
        QSet<QString> formClassNames;
        for (const int i : std::as_const(roots))
            if (IsFormClass(rows[i].shown, unit.form, formClassNames)) {
                formClasses.insert(rows[i].declNo);
                formClassNames.insert(rows[i].shown.name.toCaseFolded());
            }
    }
    QSet<int> placed; // a damaged store cannot make a loop of types
    std::function<void(int, int)> placeMembers = [&](int type, int depth) {
        const QList<int> own = members.value(rows[type].declNo);
        const bool ofForm = formClasses.contains(rows[type].declNo);
        for (int group = 0; group < 7; ++group) {
            bool first = true;
            for (const int i : own) {
                ReportDeclaration d = rows[i].shown;
                if (memberGroup(d) != group || !showsVisibility(d.visibility) ||
                    placed.contains(i) || (ofForm && IsEventHandler(d, rows[type].shown)))
                    continue;
                placed.insert(i);
                d.depth = depth;
                if (first)
                    d.heading = QString::fromLatin1(MemberGroupHeadings[group]);
                first = false;
                unit.declarations.append(d);
                placeMembers(i, depth + 1);
            }
        }
    };
    for (int group = 0; group < 4; ++group) {
        bool first = true;
        for (const int i : std::as_const(roots)) {
            ReportDeclaration d = rows[i].shown;
            if (unitGroup(d) != group || placed.contains(i))
                continue;
            placed.insert(i);
            if (first)
                d.heading = QString::fromLatin1(UnitGroupHeadings[group]);
            first = false;
            unit.declarations.append(d);
            placeMembers(i, 1);
        }
    }
    for (const ReportRoutine& routine : std::as_const(unit.routines))
        if (!declaredRoutines.contains(routine.name.toCaseFolded()))
            unit.otherRoutines.append(routine);
}

void ReportSource::countRoutines(ReportUnit& unit, int position) const {
    unit.coverage = coverage_.value(position);
}

bool ReportSource::open(qint32 docNo) {
    QString columns = documentColumns();
    if (hasScanStamps_)
        columns += QStringLiteral(", LastScan");
    else
        columns += QStringLiteral(", NULL");
    if (hasReportChoices_)
        columns += QStringLiteral(", ReportVisibility, ReportEventHandlers");
    Statement row(*db_, QStringLiteral("SELECT %1 FROM DocsLib WHERE DocNo = ?").arg(columns));
    row.bindInteger(1, docNo);
    if (!row.step())
        return false;
    ReportDocument document;
    document.docNo = docNo;
    document.name = textAt(row, 0);
    document.author = textAt(row, 1);
    document.company = textAt(row, 2);
    document.modified = dateTimeAt(row, 3);
    if (!row.isNullAt(4))
        document.sizeKb = row.integerAt(4);
    document.includeVersionInfo = row.integerAt(5) != 0;
    document.projectFile = textAt(row, 6);
    for (int i = 0; i < int(VersionFields.size()); ++i)
        document.versionValues.append(textAt(row, 7 + i));
    int column = 7 + int(VersionFields.size());
    // Stamps are stored in one sortable text form: the store compares them.
    lastScan_ = hasScanStamps_ && !row.isNullAt(column) ? QVariant(row.textAt(column)) : QVariant();
    ++column;
    if (hasReportChoices_) {
        if (!visibilitiesChosen_) {
            const QStringList stored = ReadReportVisibility(textAt(row, column));
            visibilities_ = stored.isEmpty() ? defaultVisibilities() : stored;
        }
        if (!eventHandlersChosen_)
            eventHandlers_ = !row.isNullAt(column + 1) && row.integerAt(column + 1) != 0;
    }
    document_ = document;
    countUnitsAndRoutines(document_);
    units_ = std::make_unique<Statement>(
        *db_, QStringLiteral("SELECT UnitNo, UnitName, FormName, Description%1 FROM UnitsLib "
                             "WHERE DocNo = ? ORDER BY UnitNo LIMIT -1 OFFSET ?")
                  .arg(hasMissingSources_ ? QStringLiteral(", MissingSource") : QString()));
    names_ = std::make_unique<Statement>(
        *db_, QStringLiteral("SELECT UnitName FROM UnitsLib WHERE DocNo = ? "
                             "ORDER BY UnitNo LIMIT ? OFFSET ?"));
    routines_ = std::make_unique<Statement>(
        *db_, QStringLiteral("SELECT ProcType, ProcName, ProcParams, ResultType, "
                             "Description%1 FROM ProcsLib WHERE DocNo = ? AND UnitNo = ? "
                             "ORDER BY ProcNo")
                  .arg(hasDeclarations_ ? QStringLiteral(", Declaration") : QString()));
    if (db_->tableExists(QStringLiteral("DeclsLib"))) {
        // As the window strikes them through. A store from before units
        // kept DeclsSeen judges every declaration by the document's scan.
        const bool perUnit =
            hasColumn(*db_, QStringLiteral("UnitsLib"), QStringLiteral("DeclsSeen"));
        declarations_ = std::make_unique<Statement>(
            *db_,
            QStringLiteral("SELECT d.DeclNo, d.ParentNo, d.DeclKind, d.DeclName, d.Owner, "
                           "d.Declaration, d.Visibility, d.Directives, d.Ancestor, "
                           "d.SourceFile, d.SourceLine, d.Description, d.ChangedFrom, %1 "
                           "FROM DeclsLib d %2 WHERE d.DocNo = ?2 AND d.UnitNo = ?3 "
                           "ORDER BY d.DeclNo")
                .arg(perUnit
                         ? DeclarationLeftTheSourceSql(QStringLiteral("d"), QStringLiteral("u"), 1)
                         : LeftTheSourceSql(QStringLiteral("d.LastSeen"), QStringLiteral("?1")),
                     perUnit ? QStringLiteral("LEFT JOIN UnitsLib u ON u.UnitNo = d.UnitNo")
                             : QString()));
    }
    return true;
}

void ReportSource::readUnits(int first, const std::function<bool(int, const ReportUnit&)>& visit) {
    if (!units_)
        return;
    units_->reset();
    units_->bindInteger(1, document_.docNo);
    units_->bindInteger(2, first);
    int position = first;
    ReportUnit unit;
    bool more = true;
    while (more && units_->step()) {
        unit.name = textAt(*units_, 1);
        unit.form = shownForm(textAt(*units_, 2));
        unit.description = textAt(*units_, 3);
        unit.missingSource = hasMissingSources_ ? textAt(*units_, 4) : QString();
        unit.routines.clear();
        unit.placeholderDescription.clear();
        routines_->bindInteger(1, document_.docNo);
        routines_->bindInteger(2, units_->integerAt(0));
        while (routines_->step()) {
            ReportRoutine routine{textAt(*routines_, 0), textAt(*routines_, 1),
                                  textAt(*routines_, 2), textAt(*routines_, 3),
                                  textAt(*routines_, 4), {}};
            if (IsPlaceholderRoutine(routine.name)) {
                if (routine.described())
                    unit.placeholderDescription = routine.description;
                continue;
            }
            if (hasDeclarations_)
                routine.declaration = textAt(*routines_, 5);
            unit.routines.append(routine);
        }
        if (!unit.routines.isEmpty())
            unit.placeholderDescription.clear();
        countRoutines(unit, position);
        // A procedural type's row is no routine (RoutineMarkers.h): the
        // type is shown as the declaration it is. The counts above are the
        // coverage's, which applies its own rule.
        unit.routines.removeIf(
            [](const ReportRoutine& routine) { return IsProcedureTypeMarker(routine.name); });
        routines_->reset();
        readDeclarations(unit, units_->integerAt(0));
        more = visit(position++, unit);
    }
    units_->reset();
}

QHash<QString, ReportSource::TypeHome> ReportSource::typeHomes() {
    QHash<QString, TypeHome> types;
    if (!declarations_)
        return types;
    QHash<qint64, int> positions;
    Statement units(*db_, QStringLiteral("SELECT UnitNo FROM UnitsLib WHERE DocNo = ? "
                                         "ORDER BY UnitNo"));
    units.bindInteger(1, document_.docNo);
    while (units.step())
        positions.insert(units.integerAt(0), int(positions.size()));
    Statement rows(*db_, QStringLiteral("SELECT UnitNo, DeclName FROM DeclsLib WHERE DocNo = ? "
                                        "AND (ParentNo IS NULL OR ParentNo = 0) AND DeclKind IN "
                                        "('class', 'record', 'interface', 'object', 'helper', "
                                        "'type') ORDER BY UnitNo, DeclNo"));
    rows.bindInteger(1, document_.docNo);
    while (rows.step()) {
        const auto position = positions.constFind(rows.integerAt(0));
        const QString name = textAt(rows, 1).toCaseFolded();
        if (position != positions.constEnd() && !types.contains(name))
            types.insert(name, {*position, textAt(rows, 1)});
    }
    return types;
}

QStringList ReportSource::unitNames(int first, int count) {
    QStringList names;
    if (!names_)
        return names;
    names_->bindInteger(1, document_.docNo);
    names_->bindInteger(2, count);
    names_->bindInteger(3, first);
    while (names_->step())
        names.append(textAt(*names_, 0));
    names_->reset();
    return names;
}

} // namespace ink
