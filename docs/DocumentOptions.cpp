#include "DocumentOptions.h"

#include "components/Dialogs.h"
#include "scan/BuildConfiguration.h"
#include "scan/ProjectOptions.h"
#include "store/ReportVisibility.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace ink {

DocumentOptionsChange EditDocumentOptions(TDM1& dm, Dialogs& dialogs) {
    dm.postPendingEdits();
    if (dm.tblDocs->recordCount() == 0)
        return {};
    const QString projectPath = dm.tblDocsDPRFileName->asString();
    const QString current = dm.tblDocsConfiguration->asString();
    // A project whose options cannot be read still offers the targets; the
    // error comes when a configuration is chosen.
    ProjectOptions options = ReadProjectOptions(projectPath);
    if (!options.error.isEmpty()) {
        options = ProjectOptions();
        options.projectFile = projectPath;
    }
    const QVariant visibility = dm.tblDocsReportVisibility->value();
    QStringList visibilities = ReadReportVisibility(visibility.toString());
    if (visibilities.isEmpty())
        visibilities = DefaultReportVisibilities();
    const bool eventHandlers = dm.tblDocsReportEventHandlers->asBoolean();
    const std::optional<Dialogs::DocumentOptions> chosen = dialogs.documentOptions(
        dm.tblDocsDocName->asString(), {current, visibilities, eventHandlers},
        ConfigurationChoices(options));
    if (!chosen)
        return {};
    DocumentOptionsChange change;
    change.configuration = chosen->configuration != current;
    // Null stands for the default, so that the document follows it.
    const QVariant chosenVisibility = StoredReportVisibility(chosen->visibilities);
    change.reports = chosenVisibility.toString() != visibility.toString() ||
                     chosenVisibility.isNull() != visibility.isNull() ||
                     chosen->eventHandlers != eventHandlers;
    if (change.configuration)
        DocumentConfiguration(projectPath, chosen->configuration); // throws for one it cannot use
    if (!change.configuration && !change.reports)
        return change;
    dm.tblDocs->edit();
    if (change.configuration)
        dm.tblDocsConfiguration->setValue(
            chosen->configuration.isEmpty() ? QVariant() : QVariant(chosen->configuration));
    if (change.reports) {
        dm.tblDocsReportVisibility->setValue(chosenVisibility);
        dm.tblDocsReportEventHandlers->setValue(chosen->eventHandlers);
    }
    dm.tblDocs->post();
    return change;
}

} // namespace ink
