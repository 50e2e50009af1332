#pragma once
#include <QString>

namespace ink {

// Starting other programs: the text viewer for a unit's source, and so on.

// What LaunchFile returns: like the shell's execute call, a value above 32
// means the program was started, a value of 32 or less names why not.
inline constexpr int kLaunchStarted = 33;
inline constexpr int kLaunchFileNotFound = 2; // the program could not be started
inline constexpr int kLaunchPathNotFound = 3; // the working folder does not exist

// Show mode "shown activated". The desktop decides how a started program's
// window appears, so the mode is accepted for callers' sake and not used.
inline constexpr int kShowNormal = 5;

// Starts fileName with parameters handed over as ONE argument, exactly as
// given (no shell, no quoting, no splitting at blanks; an empty text passes
// no argument), in defaultDir (empty: the current folder). Does not wait for
// the program. Returns kLaunchStarted or one of the failure values above.
int LaunchFile(const QString& fileName, const QString& parameters, const QString& defaultDir,
               int showMode = kShowNormal);

// The program that shows a text file on this platform: Notepad on Windows,
// elsewhere the desktop's handler for the file.
QString TextViewerProgram();

} // namespace ink
