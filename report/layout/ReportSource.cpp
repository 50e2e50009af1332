#include "ReportSource.h"

#include "FormEventHandlers.h"
#include "model/DeclarationKinds.h"

#include <algorithm>
#include <functional>
#include <QHash>
#include <QSet>

#include "store/Coverage.h"
#include "store/DeclarationDescriptions.h"
#include "store/DocumentReader.h"
#include "store/ReportVisibility.h"
#include "store/RoutineMarkers.h"
#include "store/UserError.h"

namespace ink {

namespace {

// A stored declaration row before it is placed in the report's order.
struct DeclarationRow {
    qint64 declNo = 0;
    qint64 parentNo = 0;
    ReportDeclaration shown;
};

// A property of an event type: by the convention every Delphi and Lazarus
// library keeps, its name is "On" and a capital.
bool isEvent(const ReportDeclaration& d) {
    return d.kind == QLatin1String("property") && d.name.size() > 2 &&
           d.name.startsWith(QLatin1String("On")) && (d.name[2].isUpper() || d.name[2] == '_');
}

// The groups a unit's own declarations are shown in, in order.
int unitGroup(const ReportDeclaration& d) {
    if (KindWordIsType(d.kind))
        return 0;
    if (KindWordIsRoutine(d.kind))
        return 1;
    if (KindWordGroup(d.kind) == DeclGroupName(DeclGroup::Constants))
        return 2;
    return 3; // var, threadvar, and anything the reader may name later
}
const char* const UnitGroupHeadings[] = {"Types", "Routines", "Constants", "Variables"};

// The groups a type's members are shown in, in order.
int memberGroup(const ReportDeclaration& d) {
    if (d.kind == QLatin1String("constructor") || d.kind == QLatin1String("destructor"))
        return 0;
    if (KindWordIsRoutine(d.kind))
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

} // namespace

ReportSource::ReportSource(const StoreAddress& store)
    : reader_(std::make_unique<DocumentReader>(store)) {}

ReportSource::~ReportSource() = default;

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
    QList<DeclarationRow> rows;
    for (const DocumentReader::DeclarationRow& stored : reader_->declarations(unitNo)) {
        DeclarationRow row;
        row.declNo = stored.declNo;
        row.parentNo = stored.parentNo;
        ReportDeclaration& d = row.shown;
        const Declaration& read = stored.declaration;
        d.kind = stored.kindWord.trimmed().toLower();
        d.name = read.name;
        d.owner = read.owner;
        d.declaration = read.text;
        d.visibility = read.visibility;
        d.directives = StoredDirectives(read);
        d.ancestor = StoredAncestor(read);
        // Only an include file is named in the row; the unit's own is not.
        d.sourceFile = read.sourceFile.isEmpty() ? unit.name : read.sourceFile;
        d.sourceLine = read.line;
        d.description = stored.description;
        d.changedFrom = stored.changedFrom;
        d.leftTheSource = stored.leftTheSource;
        rows.append(row);
    }
    if (rows.isEmpty())
        return; // the unit's routines are shown as before

    // The routine rows' descriptions stand for the routine declarations
    // that have none of their own (the rule the window and coverage keep).
    RoutineDescriptionsByName routineDescriptions;
    for (const ReportRoutine& routine : std::as_const(unit.routines))
        AddRoutineDescription(routineDescriptions, routine.name, routine.description);
    QSet<QString> declaredRoutines;
    QHash<qint64, int> byNo;
    for (int i = 0; i < rows.size(); ++i) {
        ReportDeclaration& d = rows[i].shown;
        byNo.insert(rows[i].declNo, i);
        if (KindWordIsRoutine(d.kind))
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

bool ReportSource::open(qint32 docNo) {
    QStringList versionColumns;
    for (const VersionField& field : VersionFields)
        versionColumns.append(QString::fromLatin1(field.column));
    std::optional<DocumentReader::DocumentRow> row = reader_->open(docNo, versionColumns);
    if (!row)
        return false;
    if (row->reportVisibility && !visibilitiesChosen_) {
        const QStringList stored = ReadReportVisibility(*row->reportVisibility);
        visibilities_ = stored.isEmpty() ? defaultVisibilities() : stored;
    }
    if (row->reportEventHandlers && !eventHandlersChosen_)
        eventHandlers_ = *row->reportEventHandlers;
    ReportDocument document;
    document.docNo = docNo;
    static_cast<DocumentFacts&>(document) = *row;
    document.unitCount = row->unitCount;
    // The coverage's figures, in a store of any version; the units' rows
    // are handed out with the units.
    document.coverage = std::move(row->coverage);
    coverage_ = std::move(document.coverage.units);
    document.coverage.units.clear();
    document_ = document;
    return true;
}

void ReportSource::readUnits(int first, const std::function<bool(int, const ReportUnit&)>& visit) {
    int position = first;
    ReportUnit unit;
    reader_->readUnits(first, [&](const DocumentReader::UnitRow& row) {
        unit.name = row.name;
        unit.form = shownForm(row.form);
        unit.description = row.description;
        unit.missingSource = row.missingSource;
        readRoutines(unit, row.unitNo);
        unit.coverage = coverage_.value(position);
        readDeclarations(unit, row.unitNo);
        return visit(position++, unit);
    });
}

void ReportSource::readRoutines(ReportUnit& unit, qint64 unitNo) {
    unit.routines.clear();
    unit.placeholderDescription.clear();
    for (const DocumentReader::RoutineRow& row : reader_->routines(unitNo)) {
        ReportRoutine routine{row.kind,       row.name,        row.parameters,
                              row.resultType, row.description, row.declaration};
        if (IsPlaceholderRoutine(routine.name)) {
            if (routine.described())
                unit.placeholderDescription = routine.description;
            continue;
        }
        unit.routines.append(routine);
    }
    if (!unit.routines.isEmpty())
        unit.placeholderDescription.clear();
    // A procedural type's row is no routine (RoutineMarkers.h): the type is
    // shown as the declaration it is. The unit's counts are the coverage's,
    // which applies its own rule.
    unit.routines.removeIf(
        [](const ReportRoutine& routine) { return IsProcedureTypeMarker(routine.name); });
}

QHash<QString, ReportSource::TypeHome> ReportSource::typeHomes() {
    QHash<QString, TypeHome> types;
    for (const auto& [unit, kind, name] : reader_->unitLevelDeclarations()) {
        const QString folded = name.toCaseFolded();
        if (KindWordIsType(kind) && !types.contains(folded))
            types.insert(folded, {unit, name});
    }
    return types;
}

QStringList ReportSource::unitNames(int first, int count) {
    return reader_->unitNames(first, count);
}

} // namespace ink
