#include "PdfEmbeddedFonts.h"

#include <algorithm>
#include <cmath>

#include "FontShaper.h"

namespace ink {

namespace {

QByteArray ref(int object) {
    return QByteArray::number(object) + " 0 R";
}

QByteArray integer(double value) {
    return QByteArray::number(std::lround(value));
}

QByteArray hex4(quint32 value) {
    return QByteArray::number(value, 16).rightJustified(4, '0').toUpper();
}

// Six capital letters naming a subset, as the PDF asks, different for each
// face of the file.
QByteArray subsetTag(int face) {
    QByteArray tag(6, 'A');
    for (int i = 5, n = face; i >= 0 && n > 0; --i, n /= 26)
        tag[i] = char('A' + n % 26);
    return tag;
}

// Glyphs by number, then the codes of missing characters, which come after.
QByteArray toUnicodeMap(const QHash<quint32, QString>& glyphs, const QList<quint32>& order,
                        const QMap<quint32, QString>& missing) {
    QList<QByteArray> entries;
    const auto add = [&entries](quint32 glyph, const QString& text) {
        if (text.isEmpty())
            return;
        QByteArray code;
        for (const QChar c : text)
            code += hex4(c.unicode());
        entries.append('<' + hex4(glyph) + "> <" + code + '>');
    };
    for (const quint32 glyph : order)
        add(glyph, glyphs[glyph]);
    for (auto it = missing.constBegin(); it != missing.constEnd(); ++it)
        add(it.key(), it.value());
    QByteArray map = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                     "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                     "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    // At most a hundred entries to a block.
    for (qsizetype i = 0; i < entries.size(); i += 100) {
        const qsizetype n = qMin<qsizetype>(100, entries.size() - i);
        map += QByteArray::number(n) + " beginbfchar\n";
        for (qsizetype k = i; k < i + n; ++k)
            map += entries[k] + '\n';
        map += "endbfchar\n";
    }
    return map + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

QByteArray packed(const QByteArray& bytes) {
    return qCompress(bytes, 9).mid(4); // zlib's stream follows qCompress's length
}

} // namespace

int PdfEmbeddedFonts::fontObject(int face, int& nextObject) {
    Used& used = faces_[face];
    if (used.object == 0)
        used.object = nextObject++;
    return used.object;
}

void PdfEmbeddedFonts::use(int face, quint32 glyph, QStringView text) {
    QHash<quint32, QString>& glyphs = faces_[face].glyphs;
    const auto known = glyphs.find(glyph);
    if (known == glyphs.end())
        glyphs.insert(glyph, text.toString());
    else if (known->isEmpty() && !text.isEmpty())
        *known = text.toString();
}

quint32 PdfEmbeddedFonts::missingCode(int face, QStringView text) {
    Used& used = faces_[face];
    const auto known = used.missing.constFind(text.toString());
    if (known != used.missing.constEnd())
        return *known;
    const quint64 code = quint64(FontShaper::instance().glyphCount(face)) + used.missing.size();
    if (code > 0xFFFF) // two bytes a code
        return MissingGlyph;
    used.missing.insert(text.toString(), quint32(code));
    return quint32(code);
}

void PdfEmbeddedFonts::writeAll(int& nextObject, const std::function<void(int)>& begin,
                                const std::function<void(const QByteArray&)>& write) const {
    const FontShaper& shaper = FontShaper::instance();
    for (auto it = faces_.constBegin(); it != faces_.constEnd(); ++it) {
        const int face = it.key();
        const Used& used = it.value();
        const FontFaceInfo& info = shaper.face(face);
        const QByteArray name = subsetTag(face + 1) + '+' + info.postScriptName;
        // A face hb-subset cannot cut goes without its file: the reader then
        // stands in a font of its own, and the text layer is still right.
        QList<quint32> glyphs = used.glyphs.keys();
        std::sort(glyphs.begin(), glyphs.end()); // the same file every time
        const QByteArray font = shaper.subset(face, glyphs);
        const int descendant = nextObject++;
        const int descriptor = nextObject++;
        const int file = font.isEmpty() ? 0 : nextObject++;
        const int unicode = nextObject++;

        begin(used.object);
        write("<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
              " /Encoding /Identity-H /DescendantFonts [" + ref(descendant) + "] /ToUnicode " +
              ref(unicode) + " >>\nendobj\n");

        // Each glyph's own width, so a reader that places glyphs by the
        // widths (and not by our positions) still sets them right.
        // A missing character's code is as wide as the box drawn for it.
        QMap<quint32, QString> missing;
        for (auto m = used.missing.constBegin(); m != used.missing.constEnd(); ++m)
            missing.insert(m.value(), m.key());
        QByteArray widths = "[";
        for (const quint32 glyph : glyphs)
            widths += QByteArray::number(glyph) + " [" +
                      QByteArray::number(shaper.glyphAdvance(face, glyph), 'f', 2) + "] ";
        if (!missing.isEmpty())
            widths += QByteArray::number(missing.firstKey()) + ' ' +
                      QByteArray::number(missing.lastKey()) + ' ' +
                      QByteArray::number(MissingGlyphAdvance, 'f', 2) + ' ';
        widths += ']';
        begin(descendant);
        write("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
              " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
              " /FontDescriptor " +
              ref(descriptor) + " /DW 1000 /W " + widths + " /CIDToGIDMap /Identity >>\nendobj\n");

        const int flags = 4 | (info.fixedPitch ? 1 : 0) | (info.italic ? 64 : 0);
        begin(descriptor);
        write("<< /Type /FontDescriptor /FontName /" + name + " /Flags " +
              QByteArray::number(flags) + " /FontBBox [" + integer(info.box[0]) + ' ' +
              integer(info.box[1]) + ' ' + integer(info.box[2]) + ' ' + integer(info.box[3]) +
              "] /ItalicAngle " + integer(info.italicAngle) + " /Ascent " + integer(info.ascent) +
              " /Descent " + integer(info.descent) + " /CapHeight " + integer(info.capHeight) +
              " /StemV 80" + (file ? " /FontFile2 " + ref(file) : QByteArray()) + " >>\nendobj\n");

        if (file) {
            const QByteArray fontPacked = packed(font);
            begin(file);
            write("<< /Length " + QByteArray::number(fontPacked.size()) + " /Length1 " +
                  QByteArray::number(font.size()) + " /Filter /FlateDecode >>\nstream\n");
            write(fontPacked);
            write("\nendstream\nendobj\n");
        }

        const QByteArray map = packed(toUnicodeMap(used.glyphs, glyphs, missing));
        begin(unicode);
        write("<< /Length " + QByteArray::number(map.size()) +
              " /Filter /FlateDecode >>\nstream\n");
        write(map);
        write("\nendstream\nendobj\n");
    }
}

} // namespace ink
