#pragma once
#include "model/Placeholders.h"
#include <QString>

namespace ink {

// The text between the first occurrence of `start` and the next occurrence of
// `end` after it; empty when either is missing. Searches are case-sensitive.
//
// A result of exactly "(" comes out as "{STDCALL}": a keyword followed at
// once by a parenthesis is a procedural type, and that marker is the name the
// documentation stores for procedural types.
QString TextBetween(const QString& text, const QString& start, const QString& end);

// The name under which procedural types are recorded.
inline const QString procedureTypeMarker = QString::fromLatin1(ProcedureTypeMarkerName);

} // namespace ink
