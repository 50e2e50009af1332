#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "ReportDocument.h"

namespace ink {

class DocumentReader;
struct StoreAddress;

// One document of the documentation database, opened read-only for as long
// as a report needs it. The header row is read at once; units are read on
// demand, one at a time with their routines, so a report of any size holds
// only the unit it is laying out. Every output reads through it, and gets
// the document as ReportDocument.h describes it, its rules already applied.
class ReportSource {
public:
    // UserError when the store is missing or is no documentation database.
    explicit ReportSource(const StoreAddress& store);
    ~ReportSource();
    ReportSource(const ReportSource&) = delete;
    ReportSource& operator=(const ReportSource&) = delete;

    // False when no document has the number.
    bool open(qint32 docNo);

    // Which members of a type a report shows, by visibility: words of
    // "public", "published", "protected", "private" ("protected" and
    // "private" take their strict forms along, "public" takes "automated").
    // By default public, published and protected, as readers of an API
    // reference expect. Unit-level declarations are always shown.
    // The document's own choice (DocsLib.ReportVisibility) stands unless
    // set here, before or after open().
    static QStringList defaultVisibilities();
    // UserError for a word that names no visibility.
    void setVisibilities(const QStringList& words);
    QStringList visibilities() const { return visibilities_; }
    // Whether the event handlers of form classes (FormEventHandlers.h) are
    // listed; by default not. The document's own choice
    // (DocsLib.ReportEventHandlers) stands unless set here.
    void setEventHandlers(bool listed);
    bool eventHandlers() const { return eventHandlers_; }

    // The document row and its counts.
    const ReportDocument& document() const { return document_; }
    int unitCount() const { return document_.unitCount; }

    // Calls `visit` with each unit from list position `first` (from 0) on,
    // in list order, until it returns false or the units end. The unit is
    // valid only during the call.
    void readUnits(int first, const std::function<bool(int position, const ReportUnit&)>& visit);

    // The names of up to `count` units from list position `first` on.
    QStringList unitNames(int first, int count);

    // The unit-level types of the document (classes, records, interfaces,
    // objects, helpers and other types) by case-folded name: the list
    // position of the unit that declares it and the name as declared; of a
    // name declared in several units, the first. Empty in a store without
    // declarations.
    struct TypeHome {
        int unit = 0;
        QString name;
    };
    QHash<QString, TypeHome> typeHomes();

private:
    void readRoutines(ReportUnit& unit, qint64 unitNo);
    void readDeclarations(ReportUnit& unit, qint64 unitNo);
    bool showsVisibility(const QString& visibility) const;

    std::unique_ptr<DocumentReader> reader_;
    QStringList visibilities_ = defaultVisibilities();
    bool eventHandlers_ = false;
    bool visibilitiesChosen_ = false; // by the caller, over the document's own
    bool eventHandlersChosen_ = false;
    ReportDocument document_;
    QList<UnitCoverage> coverage_; // by list position
};

} // namespace ink
