#pragma once
#include <functional>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

namespace ink {

// The installed fonts a PDF embeds, each as a subset of the glyphs its
// pages used: a Type 0 font with Identity-H encoding, whose character codes
// are the face's own glyph numbers (so pages can be written before the
// subset is cut), and a ToUnicode map from each glyph to the characters it
// showed, so the text can be searched and copied.
class PdfEmbeddedFonts {
public:
    // The object number of the face's font dictionary, taken from
    // `nextObject` the first time the face is used.
    int fontObject(int face, int& nextObject);
    // Notes that `glyph` of `face` is drawn and shows `text` (the first
    // text given for a glyph is the one kept).
    void use(int face, quint32 glyph, QStringView text);
    // The character code that stands for `text`, which no installed font
    // has, in the text layer: a code past the face's glyphs, one for each
    // such text, so that each reads back as itself (glyph 0 can stand for
    // only one). The page draws the code invisibly and a box where it is.
    // MissingGlyph when the face has no codes left.
    quint32 missingCode(int face, QStringView text);

    // Writes every used face's objects (font, descendant, descriptor,
    // font file, ToUnicode map): `begin` opens an object, `write` appends.
    void writeAll(int& nextObject, const std::function<void(int)>& begin,
                  const std::function<void(const QByteArray&)>& write) const;

private:
    struct Used {
        int object = 0;
        QHash<quint32, QString> glyphs;  // glyph -> the characters it shows
        QHash<QString, quint32> missing; // characters no font has -> their code
    };
    QMap<int, Used> faces_; // by face number, so the file comes out the same every time
};

} // namespace ink
