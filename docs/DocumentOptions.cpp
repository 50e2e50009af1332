#include "DocumentOptions.h"

#include "components/Dialogs.h"
#include "scan/BuildConfiguration.h"
#include "scan/ProjectOptions.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace ink {

bool EditDocumentOptions(TDM1& dm, Dialogs& dialogs) {
    dm.postPendingEdits();
    if (dm.tblDocs->recordCount() == 0)
        return false;
    const QString projectPath = dm.tblDocsDPRFileName->asString();
    const QString current = dm.tblDocsConfiguration->asString();
    // A project whose options cannot be read still offers the targets; the
    // error comes when a configuration is chosen.
    ProjectOptions options = ReadProjectOptions(projectPath);
    if (!options.error.isEmpty()) {
        options = ProjectOptions();
        options.projectFile = projectPath;
    }
    const std::optional<Dialogs::DocumentOptions> chosen = dialogs.documentOptions(
        dm.tblDocsDocName->asString(), {current}, ConfigurationChoices(options));
    if (!chosen || chosen->configuration == current)
        return false;
    DocumentConfiguration(projectPath, chosen->configuration); // throws for one it cannot use
    dm.tblDocs->edit();
    dm.tblDocsConfiguration->setValue(
        chosen->configuration.isEmpty() ? QVariant() : QVariant(chosen->configuration));
    dm.tblDocs->post();
    return true;
}

} // namespace ink
