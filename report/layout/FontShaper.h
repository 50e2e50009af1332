#pragma once
#include <array>
#include <memory>
#include <QByteArray>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringView>

#include "PageFonts.h"

namespace ink {

// The face a run of text is set in: the PDF's own standard face of the
// line's PageFont (Helvetica or Courier, for characters of its code page),
// or an installed font file found for the characters it lacks.
inline constexpr int StandardFace = -1;

// A glyph as shaped: its number in its face, where it stands, and the
// characters it shows (for the PDF's text layer). Lengths are thousandths
// of the font size.
struct ShapedGlyph {
    quint32 glyph = 0;
    double advance = 0;
    double xOffset = 0;
    double yOffset = 0; // upwards
    // Its characters in the run's text; none for a glyph that continues them.
    qsizetype textFrom = 0;
    qsizetype textLength = 0;
};

// A character no installed font has comes out of shaping as glyph 0, the
// face's "missing" glyph, which many readers draw as nothing at all, and
// which is narrow in some faces. It is drawn instead as the outline of a
// box as wide as a broad letter, from the baseline to about a capital's
// height. The box: its left edge, bottom (0, the baseline), width and
// height (upwards), all in thousandths of the font size.
inline constexpr quint32 MissingGlyph = 0;
inline constexpr double MissingGlyphAdvance = 600;
QRectF missingGlyphBox();

// A piece of one line in one face and one direction. A line's runs come in
// the order they are drawn, left to right; a right-to-left run's glyphs are
// already in that order too.
struct ShapedRun {
    int face = StandardFace;
    bool rightToLeft = false;
    QString text;              // as typed
    double width = 0;          // thousandths of the font size
    QList<ShapedGlyph> glyphs; // empty in the standard face
};

// What the PDF's font dictionaries say about a face, in thousandths of the em.
struct FontFaceInfo {
    QString file;
    int index = 0;
    QString family; // for the preview's QFont
    bool bold = false;
    bool italic = false;
    bool fixedPitch = false;
    QByteArray postScriptName;
    double ascent = 800;
    double descent = -200;
    double capHeight = 700;
    double italicAngle = 0;
    std::array<double, 4> box{0, -200, 1000, 800};
};

// Text that the standard faces cannot show, made into glyphs of installed
// fonts: fontconfig finds a font that has each character (the report's own
// face first), FriBidi orders right-to-left text, HarfBuzz shapes it, and
// hb-subset cuts what the PDF embeds. The layout measures with the same
// faces the PDF and the preview draw with, so a line fits wherever it is
// shown. One instance serves a process (its caches only grow); use it from
// one thread.
class FontShaper {
public:
    static FontShaper& instance();
    ~FontShaper();
    FontShaper(const FontShaper&) = delete;
    FontShaper& operator=(const FontShaper&) = delete;

    // A character the standard faces' code page has (a control character
    // counts: it prints as '?', as it always did).
    static bool isStandard(char32_t c);
    // True when `text` has a character that is not standard.
    static bool needsShaping(QStringView text);
    // True when shaping may set `text` narrower or wider than its
    // characters side by side: it has letters of a script whose letters
    // join or combine (Arabic, Devanagari, Thai ...).
    static bool shapingChangesWidth(QStringView text);

    // The advance of `c` alone in the face that shows it, in thousandths.
    float advance(PageFont font, char32_t c);
    // One line of text in the order it is drawn.
    QList<ShapedRun> shape(PageFont font, QStringView text);

    const FontFaceInfo& face(int face) const;
    // A glyph's own advance (what the PDF's width table says), in thousandths.
    double glyphAdvance(int face, quint32 glyph) const;
    // How many glyphs the face has: its glyph numbers are those below.
    quint32 glyphCount(int face) const;
    // The face cut down to `glyphs` (their numbers kept, so text written
    // before the cut stays right) as a font file; empty if it cannot be cut.
    QByteArray subset(int face, const QList<quint32>& glyphs) const;
    // The whole face as a font file of its own (one face of a collection
    // taken out), for the preview to draw the same glyphs with.
    QByteArray faceData(int face) const;

private:
    FontShaper();
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace ink
