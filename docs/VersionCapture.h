#pragma once
#include <QString>

namespace ink {

class TDM1;
class TFormMisc;

// The file a project builds: the project path with its extension (".dpr" in
// any letter case, or whatever the chosen file has) replaced by ".exe" when
// that file exists, else by ".dll", which is not tested.
QString BuiltFileFor(const QString& projectPath);

// Reads the version information of the current document's built file
// through `formMisc` and stores it in the document row: the flag, the file's
// path twice and the ten strings, then posts. Nothing happens without a
// document. A file that is missing, is not a regular file (a pipe, a
// folder) or has no version resource still gives
// its path, with the strings empty.
void CaptureVersionInfo(TDM1& dm, TFormMisc& formMisc);

} // namespace ink
