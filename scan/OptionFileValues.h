#pragma once
#include <QString>
#include <QStringList>

#include "ProjectOptions.h"
#include "UniqueList.h"

namespace ink {

// Values as the option files write them, and how every parser of them puts
// them into the options.

// A path as an option file writes it made absolute against `folder`; empty
// for one that names a macro this reader cannot know ($(BDS), $(LazarusDir),
// $(TargetOS)) or an environment variable.
QString ResolveOptionPath(const QString& folder, QString written);

// A ';'-separated list of paths, each resolved, appended to those not held yet.
void AppendOptionPaths(UniqueList& into, const QString& folder, const QString& list);
void AppendOptionPaths(QStringList& into, const QString& folder, const QString& list);

// A ';'-separated list of defines appended to those not held yet; one that
// names a macro is left out.
void AppendOptionDefines(UniqueList& into, const QString& list);
void AppendOptionDefines(QStringList& into, const QString& list);

// The first problem met is the one the user reads.
void KeepFirstError(ProjectOptions& into, const QString& text);

} // namespace ink
