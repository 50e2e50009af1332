#pragma once
#include <QString>

namespace ink {

class TDM1;

// "Set as default": when the box is now checked, saves the texts the author
// and company editors show (typing not yet stored included), author first;
// a refused write stops before the company. Unchecking saves nothing.
void SaveDefaults(const QString& settingsFile, bool checked, const QString& author,
                  const QString& company);

// "Default": the saved author, then the saved company, each stored in the
// current document and posted. A missing file or key empties the field.
// Nothing happens without a document.
void ApplyDefaults(TDM1& dm, const QString& settingsFile);

} // namespace ink
