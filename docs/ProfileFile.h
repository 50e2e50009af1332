#pragma once
#include <optional>
#include <QByteArray>
#include <QString>

namespace ink {

// A profile (INI) file's bytes, read and changed the way the system's
// profile functions do it. Section and key names match without regard to
// letter case and to the blanks around them; of two equal sections or keys
// the first is the one read and written.
//
// A change touches one line: the key's value is replaced, or a line for the
// key is added to its section (the section is added at the end of the file
// when missing). Every other byte stays as it was, whatever its encoding,
// with lines the program does not understand, comments and spacing.
//
// Each line is text of its own: UTF-8 when its bytes are valid UTF-8, else
// Windows-1252, so a value written as UTF-8 reads back in a file whose other
// lines are older Windows-1252 text. New values are written as UTF-8.

// The value of `key` in `section`, without the blanks around it and without
// one pair of enclosing quotes (double or single); nothing when the section
// or the key is missing.
std::optional<QString> profileValue(const QByteArray& file, const QString& section,
                                    const QString& key);

// The file with `key` of `section` set to `value`, which must be one line.
QByteArray withProfileValue(const QByteArray& file, const QString& section, const QString& key,
                            const QString& value);

} // namespace ink
