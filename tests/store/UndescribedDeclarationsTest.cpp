// Which units "Next undescribed" looks into: those with a declaration still
// in the source that shows no description, its own or its routine row's.
#include "store/UndescribedDeclarations.h"
#include "support/StoreFixture.h"

using namespace ink;

namespace {

class UndescribedDeclarations : public StoreFixture {
protected:
    void addDecl(const char* kind, const QString& name, const QVariant& description = {},
                 const QVariant& lastSeen = {}) {
        dm->tblDecls->append({QVariant(), dm->tblUnitsDocNo->value(), dm->tblUnitsUnitNo->value(),
                              0, kind, name, QVariant(), QVariant(), name + ";", QVariant(),
                              QVariant(), QVariant(), "U.pas", 3, description, lastSeen});
    }
    void describeRoutine(const QString& name, const QString& text) {
        addProc(name);
        dm->tblProc->edit();
        dm->tblProcDescription->setValue(text);
        dm->tblProc->post();
    }
};

} // namespace

TEST_F(UndescribedDeclarations, OwnAndSharedDescriptionsCountAndOtherDocumentsDoNot) {
    const int doc = addDoc("A");
    addUnit("Described.pas");
    addDecl("const", "Max", "The most.");
    addUnit("Shared.pas");
    describeRoutine("Draw", "Draws.");
    addDecl("procedure", "DRAW"); // the routine row's words, whatever the letter case
    const int blank = addUnit("Blank.pas");
    addDecl("const", "Min", "  \r\n****"); // blanks and a separator are no description
    const int constant = addUnit("Constant.pas");
    describeRoutine("Pi", "Not shared: only routines share.");
    addDecl("const", "Pi");
    addDoc("B");
    addUnit("Other.pas");
    addDecl("var", "Count");

    EXPECT_EQ(UnitsWithUndescribedDeclarations(dm->database(), doc), QSet<int>({blank, constant}));
}

TEST_F(UndescribedDeclarations, ADeclarationThatLeftTheSourceWantsNoDescription) {
    const int doc = addDoc("A");
    addUnit("Gone.pas");
    addDecl("var", "Old", QVariant(), QDateTime(QDate(2020, 1, 1), QTime(10, 0)));
    const int kept = addUnit("Kept.pas");
    addDecl("var", "New", QVariant(), QDateTime(QDate(2026, 1, 1), QTime(10, 0)));
    dm->tblDocs->edit();
    dm->tblDocsLastScan->setValue(QDateTime(QDate(2026, 1, 1), QTime(10, 0)));
    dm->tblDocs->post();
    EXPECT_EQ(UnitsWithUndescribedDeclarations(dm->database(), doc), QSet<int>({kept}));
}
