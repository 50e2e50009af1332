#pragma once
#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "ReportDocument.h"

namespace ink {

class PageAnchors;

// One unit as every output shows it, decided once: the writers (the PDF
// layout, the single page, the site, plain text) walk its entries in order
// and only format them. The source has already chosen which declarations
// show (visibility, event handlers, those that left the source) and their
// groups; the view adds the routine rows shown beside them, what is a type,
// what the identifier index and the class hierarchy take, and the captions.
class UnitView {
public:
    // A declaration or a routine row, in the order shown.
    struct Entry {
        const ReportDeclaration* declaration = nullptr; // or
        const ReportRoutine* routine = nullptr;
        // The heading that opens a group here, and the depth it stands at;
        // empty where no group begins.
        QString heading;
        int depth = 0;
        // A type (a structure or another type): its own name in its
        // declaration is no link, and at unit level it is a link target.
        bool isType = false;
        // What the site's sidebar lists under "Routines".
        bool isUnitLevelRoutine = false;
        // A class, interface or object: one of the class hierarchy.
        bool inHierarchy = false;

        const QString& name() const { return declaration ? declaration->name : routine->name; }
        // The dotted path of the enclosing types; empty at unit level.
        QString owner() const { return declaration ? declaration->owner : QString(); }
        const QString& description() const {
            return declaration ? declaration->description : routine->description;
        }
        bool described() const {
            return declaration ? declaration->described() : routine->described();
        }
        bool isUnitLevelType() const { return isType && depth == 0; }
        // The name its declaration does not link: its own, for a type.
        QString unlinkedName() const { return isType ? name() : QString(); }
    };

    // `unit` must outlive the view.
    explicit UnitView(const ReportUnit& unit);

    const ReportUnit& unit() const { return unit_; }
    const QList<Entry>& entries() const { return entries_; }
    // Each entry's anchor on its page, taken from `pageAnchors` (which
    // keeps them unique there), in order.
    QStringList anchors(PageAnchors& pageAnchors) const;

private:
    const ReportUnit& unit_;
    QList<Entry> entries_;
};

// The caption over the routine rows no declaration stands for.
inline constexpr const char* OtherRoutinesCaption = "Other routines";

// The identifier index of every output is sorted as a reader looks a name
// up: without regard to case, then by owner and by unit name; and grouped
// by first letter, in upper case.
bool indexesBefore(QStringView name, QStringView owner, QStringView unitName, QStringView otherName,
                   QStringView otherOwner, QStringView otherUnitName);
QChar indexLetter(QStringView name);

} // namespace ink
