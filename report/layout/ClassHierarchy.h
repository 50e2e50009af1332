#pragma once
#include <QList>
#include <QString>
#include <QStringList>

namespace ink {

struct ReportDeclaration;

// The classes, interfaces and objects a report shows, as a tree by
// ancestor: what the site's hierarchy page, the single page and the PDF draw.
// Each output adds the declarations as its pass over the units meets them
// (so only what it shows, and in its order) and keeps, by the same number,
// where each one is for itself: an anchor, a page. The tree holds a few
// small records a class, never the units.
//
// An ancestor is found by name as the compiler would look for it from the
// class: a type nested beside it first, then the class's own unit, then
// the first unit of the document that declares it; `Unit.TName` looks in
// that unit first. Generic types are told apart by their number of type
// parameters (`TList` is not `TList<T>`). A class declared without an
// ancestor stands under TObject, as it does in the language; interfaces and
// objects without one are roots. Ancestors the document does not declare
// are roots shown by name alone.
class ClassHierarchy {
public:
    // Whether `declaration` belongs in the tree: a class, interface or object.
    static bool takes(const ReportDeclaration& declaration);

    // Adds `declaration` (which `takes`) of the unit at list position
    // `unit`, named `unitName`; the number it returns, from 0, is the one the
    // tree's lines give for it.
    int add(const ReportDeclaration& declaration, int unit, const QString& unitName);

    int size() const { return int(classes_.size()); }
    bool isEmpty() const { return classes_.isEmpty(); }

    // One line of the tree, in the order it is read: each root, then its
    // descendants below it, one level further in; siblings A to Z (without
    // regard to case), then in the order they were added.
    struct Line {
        int entry = -1; // the number `add` gave; -1 for an ancestor outside the document
        QString name;  // "TShape", "TOuter.TInner"; the name a descendant gives an outside ancestor
        QString kind;  // "class", "interface", "object"; empty outside the document
        int unit = -1; // list position of its unit; -1 outside the document
        QString unitName;
        int depth = 0; // 0 for a root
    };
    QList<Line> lines() const;

private:
    struct Entry {
        QString name;       // qualified by its owners, a generic's parameters shown
        QString lookupName; // qualified by its owners, as an ancestor names it
        int arity = 0;      // of a generic
        QString kind;
        QString ancestor; // as written, generic arguments and all; empty when none
        int unit = 0;
        QString unitName;
    };
    // The classes by name, for finding an ancestor as the compiler would.
    struct Lookup;
    // Each class's parent in the document, or else the outside ancestor it
    // names (shown as `outsideNames` says).
    struct Ancestry {
        QList<int> parent;
        QList<int> outside;
        QStringList outsideNames;
    };
    Ancestry ancestry() const;
    int findAncestor(const Lookup& lookup, int from, const QString& name, int arity) const;
    QList<Line> treeLines(const Ancestry& ancestry) const;

    QList<Entry> classes_;
};

} // namespace ink
