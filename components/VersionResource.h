#pragma once
#include <functional>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace ink {

// Finds the version resource of a Windows executable or library (PE32 or
// PE32+): the raw VS_VERSIONINFO block that the system's version functions
// would hand back. We walk the file's own structures (DOS header, PE header,
// section table, resource directory) so this works on any platform.
//
// The files come from anywhere, so every size and offset in them is
// distrusted: a damaged, cut or hostile file gives an empty block, never a
// read outside the bytes we were given.

// Reads `length` bytes at `offset` of an image; fewer, or none, when the image
// ends sooner.
using ImageReader = std::function<QByteArray(quint64 offset, quint32 length)>;

// The version block of the image behind `read`, empty when there is none.
QByteArray FindVersionResource(const ImageReader& read);

// The version block of a file on disk. Only the pieces walked are read, and
// nothing beyond the first 256 MiB of the file.
QByteArray ReadVersionResource(const QString& path);

// The version block of an image held in memory.
QByteArray VersionResourceOfImage(QByteArrayView image);

} // namespace ink
