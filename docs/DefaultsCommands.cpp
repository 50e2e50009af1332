#include "DefaultsCommands.h"

#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"
#include "UserDefaults.h"

namespace ink {

void SaveDefaults(const QString& settingsFile, bool checked, const QString& author,
                  const QString& company) {
    if (!checked)
        return;
    writeDefault(settingsFile, QString::fromLatin1(kDefaultAuthorKey), author);
    writeDefault(settingsFile, QString::fromLatin1(kDefaultCompanyKey), company);
}

void ApplyDefaults(TDM1& dm, const QString& settingsFile) {
    if (dm.tblDocs->recordCount() == 0)
        return;
    dm.tblDocs->edit();
    dm.tblDocsDocAuthor->setValue(
        readDefault(settingsFile, QString::fromLatin1(kDefaultAuthorKey)));
    dm.tblDocs->post();
    dm.tblDocs->edit();
    dm.tblDocsDocCompany->setValue(
        readDefault(settingsFile, QString::fromLatin1(kDefaultCompanyKey)));
    dm.tblDocs->post();
}

} // namespace ink
