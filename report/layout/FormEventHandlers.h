#pragma once
#include <QSet>
#include <QString>

namespace ink {

struct ReportDeclaration;

// The event handlers the form designer writes into a form's class
// (`procedure Button1Click(Sender: TObject);`): a reference can leave them
// out, as they are called by the form and not by a reader's code.
//
// A form class is a class at unit level that derives from a designer's base
// (TForm, TFrame, TDataModule and their custom forms), or that the project
// names as its unit's form (the class "T" + the form's name), or that
// derives from a form class declared before it in the same unit.
// `formClasses` holds the case-folded names of those found so far.
bool IsFormClass(const ReportDeclaration& type, const QString& unitForm,
                 const QSet<QString>& formClasses);

// A method of the form class `form` is an event handler when it is
// published and its first parameter is `Sender` of type TObject, alone or
// with others of that type (`FormDragDrop(Sender, Source: TObject; X, Y:
// Integer)`). The reader knows the first section of a class to be published
// only where the ancestor is a designer's base; in a form derived from
// another form it reads "public", so there public counts too.
bool IsEventHandler(const ReportDeclaration& method, const ReportDeclaration& form);

} // namespace ink
