#include "VersionCapture.h"

#include "components/FormMisc.h"
#include "scan/PathParts.h"
#include "store/RegularFile.h"
#include "store/TDM1.h"
#include "store/TField.h"
#include "store/TTable.h"

namespace ink {

namespace {
// The path without the extension of its file-name part, dot included.
QString withoutExtension(const QString& path) {
    const qsizetype nameStart = FileNameStart(path);
    const qsizetype dot = path.lastIndexOf('.');
    return dot > nameStart ? path.left(dot) : path;
}
} // namespace

QString BuiltFileFor(const QString& projectPath) {
    const QString stem = withoutExtension(projectPath);
    const QString executable = stem + QStringLiteral(".exe");
    if (IsRegularFile(executable))
        return executable;
    return stem + QStringLiteral(".dll");
}

void CaptureVersionInfo(TDM1& dm, TFormMisc& formMisc) {
    if (dm.tblDocs->recordCount() == 0)
        return;
    formMisc.setFileName(BuiltFileFor(dm.tblDocsDPRFileName->asString()));
    dm.tblDocs->edit();
    dm.tblDocsisVerInfo->setValue(true);
    dm.tblDocsAppEXEName->setValue(formMisc.applicationEXEName());
    dm.tblDocsCompanyName->setValue(formMisc.companyName());
    dm.tblDocsFileDescr->setValue(formMisc.fileDescription());
    dm.tblDocsFileName->setValue(formMisc.fileName());
    dm.tblDocsVersionNo->setValue(formMisc.fileVersion());
    dm.tblDocsInternalName->setValue(formMisc.internalName());
    dm.tblDocsLegalCopyright->setValue(formMisc.legalCopyright());
    dm.tblDocsLegalTrademark->setValue(formMisc.legalTradeMark());
    dm.tblDocsOriginalFileName->setValue(formMisc.originalFileName());
    dm.tblDocsProductName->setValue(formMisc.productName());
    dm.tblDocsProductVer->setValue(formMisc.productVersion());
    dm.tblDocs->post();
}

} // namespace ink
