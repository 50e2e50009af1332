#pragma once
#include <QHash>
#include <QString>

namespace ink {

// The comments a unit's interface already carries on its declarations, as
// descriptions: PasDoc style { } and (* *), // lines and /// XMLDoc.
//
// Not every comment describes what follows it. The markers an IDE writes
// under `private` and `public` ("{ Private declarations }"), a comment on a
// section keyword's own line, a short heading over a group of members
// ("// views"), code taken out ("// procedure Old;") and a switched-off
// directive describe nothing, and are never taken.
struct DeclarationComments {
    // The comment above `unit X;`, else the file's first comment before the
    // unit's declarations begin; never a licence block, which is no
    // description of the unit.
    QString unit;
    // Routine name, case-folded -> the comment directly above its first
    // declaration (or, failing that, after it on the same line).
    QHash<QString, QString> routines;
};

// Reads the comments of the unit at `path`, include files of its interface
// followed as the scanner follows them. Nothing when it cannot be read.
DeclarationComments ReadDeclarationComments(const QString& path, const QString& projectFolder = {});

// The same over a unit's bytes.
DeclarationComments ParseDeclarationComments(QByteArrayView bytes);

// The comment that belongs to the declaration standing on each line of a
// unit's or include file's bytes, by line (from 1): the comments directly
// above it, or failing that one after it on the same line, with the same
// rules as above (no section marker, no heading over a group). The
// declaration reader names each declaration's file and line, so that every
// declaration, overloads and members of different types apart, finds its own.
QHash<int, QString> ParseCommentsByLine(QByteArrayView bytes);
// The same for the file at `path`; nothing when it cannot be read.
QHash<int, QString> ReadCommentsByLine(const QString& path);

// A comment as description text: its markers and XML tags gone, each line
// trimmed, blank lines at the ends dropped, lines kept.
QString CommentText(const QStringList& comments);

} // namespace ink
