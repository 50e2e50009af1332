#pragma once
#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace ink {

// Source files are read as bytes and turned into text by one rule, shared by
// the scanners and by anything that shows or copies a source file: UTF-8 when
// the bytes are valid UTF-8 (a leading byte-order mark is dropped), otherwise
// Windows-1252, the code page the older Delphi projects were written in.
//
// Pascal's own syntax is plain ASCII, which both encodings keep as single
// bytes, so the scanners work on the bytes and decode only the pieces they
// keep. A piece cut at ASCII boundaries of valid UTF-8 is itself valid UTF-8,
// so decoding piece by piece gives the same text as decoding the whole file.

enum class SourceEncoding { Utf8, Windows1252 };

struct SourceBytes {
    QByteArrayView bytes; // the file's bytes without a UTF-8 byte-order mark
    SourceEncoding encoding = SourceEncoding::Utf8;
};

// Drops a UTF-8 byte-order mark and decides the encoding of the rest.
SourceBytes ClassifySourceBytes(QByteArrayView raw);

// Decodes bytes (or a piece of them) in the given encoding.
QString DecodeSourceBytes(QByteArrayView bytes, SourceEncoding encoding);

// The text of a whole file's bytes: ClassifySourceBytes, then DecodeSourceBytes.
QString DecodeSourceText(QByteArrayView raw);

// Reads at most maxBytes from the start of a file. Empty optional when the
// file cannot be opened or read (missing, no access, empty path) or is not a
// regular file (a folder, a pipe, a device: see OpenRegularFile).
// *truncated, when given, tells whether the file held more than maxBytes.
// *failure, when given, says why a file that is there could not be read
// (see OpenRegularFile); it stays empty for one that is not there.
std::optional<QByteArray> ReadSourceBytes(const QString& path, qint64 maxBytes,
                                          bool* truncated = nullptr, QString* failure = nullptr);

} // namespace ink
