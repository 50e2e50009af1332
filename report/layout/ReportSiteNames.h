#pragma once
#include <QSet>
#include <QString>
#include <QStringList>

namespace ink {

// The names a site gives its pages and the ids it gives what a page holds.
// Both are made from the Pascal names alone, in list order, so that a link a
// reader shared still leads to the same place after the next export.

// A page file name ("Ledger.html") for each unit, in list order: the unit's
// name without its folder and Pascal extension, kept to characters every
// file system and URL takes as they are, unique within the site without
// regard to case ("-2", "-3"... for later units of the same name), and never
// the name of one of the site's own pages or of a Windows device.
QStringList unitPageNames(const QStringList& unitNames);

// The same names handed out one unit at a time, as the units are read.
class UnitPageNames {
public:
    QString next(const QString& unitName);

private:
    QSet<QString> taken_; // lower case: names differing in case are one file on Windows and macOS
};

// Ids unique within one page, compared without regard to case as Pascal
// compares names: `Owner.Name`, or `Name` where there is no owner, each part
// kept to letters, digits and "_"; the second and later of the same name
// (overloads) get "-2", "-3"... in the order they are taken. As no Pascal
// name holds a "-", the page's own elements take ids with one ("site-search")
// and never meet a declaration's.
class PageAnchors {
public:
    explicit PageAnchors(const QString& prefix = {});
    QString take(const QString& owner, const QString& name);

private:
    QString prefix_;
    QSet<QString> taken_; // lower case
};

} // namespace ink
