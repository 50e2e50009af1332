#include "FontShaper.h"

#include <algorithm>
#include <cmath>
#include <QHash>
#include <vector>

#include <fontconfig/fontconfig.h>
#include <fribidi.h>
#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

namespace ink {

namespace {

// The report's own faces, which fontconfig asks first for a character.
const char* const BaseFamilies[PageFontCount] = {"Liberation Sans", "Liberation Sans",
                                                 "Liberation Sans", "Liberation Mono"};

bool isMark(char32_t c) {
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
           category == QChar::Mark_Enclosing;
}

// The code points of `text`; a lone surrogate half becomes U+FFFD.
std::vector<char32_t> codePoints(QStringView text, std::vector<qsizetype>* starts = nullptr) {
    std::vector<char32_t> points;
    points.reserve(size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (starts)
            starts->push_back(i);
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            points.push_back(QChar::surrogateToUcs4(c, text[i + 1]));
            ++i;
        } else {
            points.push_back(c.isSurrogate() ? char32_t(0xFFFD) : char32_t(c.unicode()));
        }
    }
    if (starts)
        starts->push_back(text.size());
    return points;
}

} // namespace

struct FontShaper::Impl {
    struct Face {
        FontFaceInfo info;
        hb_face_t* face = nullptr;
        hb_font_t* font = nullptr;
        double toThousandths = 1; // font units to thousandths of the em
        QByteArray data;          // the face as a file of its own, once asked for
    };
    std::vector<Face> faces;
    QHash<QString, int> byFile; // "file#index" -> face
    std::array<int, PageFontCount> base{};
    std::array<FcFontSet*, PageFontCount> fallbacks{};
    std::array<QHash<char32_t, int>, PageFontCount> faceOf;
    std::array<QHash<char32_t, float>, PageFontCount> advances;
    hb_buffer_t* buffer = hb_buffer_create();

    ~Impl() {
        for (Face& f : faces) {
            hb_font_destroy(f.font);
            hb_face_destroy(f.face);
        }
        for (FcFontSet* set : fallbacks)
            if (set)
                FcFontSetDestroy(set);
        hb_buffer_destroy(buffer);
    }

    static FcPattern* patternFor(PageFont font) {
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FAMILY,
                           reinterpret_cast<const FcChar8*>(BaseFamilies[int(font)]));
        FcPatternAddInteger(pattern, FC_WEIGHT,
                            font == PageFont::Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT,
                            font == PageFont::Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        if (font == PageFont::Mono)
            FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        return pattern;
    }

    // Only outline fonts with TrueType outlines are taken: the PDF embeds
    // them as they are, and a bitmap or colour font has nothing to embed.
    static bool usable(FcPattern* candidate) {
        FcBool outline = FcFalse;
        FcChar8* format = nullptr;
        FcBool color = FcFalse;
        FcPatternGetBool(candidate, FC_COLOR, 0, &color);
        return FcPatternGetBool(candidate, FC_OUTLINE, 0, &outline) == FcResultMatch && outline &&
               !color &&
               FcPatternGetString(candidate, FC_FONTFORMAT, 0, &format) == FcResultMatch &&
               qstrcmp(reinterpret_cast<const char*>(format), "TrueType") == 0;
    }

    // The face of an fontconfig match, loaded once; -1 if it cannot be read.
    int load(FcPattern* match) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch)
            return -1;
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        const QString path = QString::fromUtf8(reinterpret_cast<const char*>(file));
        const QString key = path + QLatin1Char('#') + QString::number(index);
        const auto known = byFile.constFind(key);
        if (known != byFile.constEnd())
            return *known;
        hb_blob_t* blob = hb_blob_create_from_file_or_fail(reinterpret_cast<const char*>(file));
        if (!blob) {
            byFile.insert(key, -1);
            return -1;
        }
        Face f;
        f.face = hb_face_create(blob, unsigned(index));
        hb_blob_destroy(blob);
        const unsigned upem = hb_face_get_upem(f.face);
        f.font = hb_font_create(f.face);
        hb_font_set_scale(f.font, int(upem), int(upem));
        f.toThousandths = 1000.0 / upem;

        FontFaceInfo& info = f.info;
        info.file = path;
        info.index = index;
        FcChar8* family = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch)
            info.family = QString::fromUtf8(reinterpret_cast<const char*>(family));
        int weight = FC_WEIGHT_REGULAR;
        int slant = FC_SLANT_ROMAN;
        int spacing = FC_PROPORTIONAL;
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        FcPatternGetInteger(match, FC_SPACING, 0, &spacing);
        info.bold = weight >= FC_WEIGHT_DEMIBOLD;
        info.italic = slant != FC_SLANT_ROMAN;
        info.fixedPitch = spacing == FC_MONO;
        readMetrics(f);
        faces.push_back(f);
        const int number = int(faces.size()) - 1;
        byFile.insert(key, number);
        return number;
    }

    static void readMetrics(Face& f) {
        FontFaceInfo& info = f.info;
        char name[128] = {};
        unsigned length = sizeof name;
        hb_ot_name_get_utf8(f.face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &length,
                            name);
        // A PDF name: letters and digits only, so it needs no escaping.
        for (const char c : QByteArray(name))
            if (QChar::isLetterOrNumber(uchar(c)) && uchar(c) < 0x80)
                info.postScriptName += c;
        if (info.postScriptName.isEmpty())
            info.postScriptName = "Embedded";
        hb_position_t value = 0;
        if (hb_ot_metrics_get_position(f.font, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &value))
            info.ascent = value * f.toThousandths;
        if (hb_ot_metrics_get_position(f.font, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &value))
            info.descent = value * f.toThousandths;
        if (hb_ot_metrics_get_position(f.font, HB_OT_METRICS_TAG_CAP_HEIGHT, &value) && value > 0)
            info.capHeight = value * f.toThousandths;
        info.italicAngle = hb_style_get_value(f.font, HB_STYLE_TAG_SLANT_ANGLE);
        // The bounding box of every glyph, from the 'head' table: four
        // signed 16-bit numbers at offset 36 of a table at least 54 long.
        hb_blob_t* head = hb_face_reference_table(f.face, HB_TAG('h', 'e', 'a', 'd'));
        unsigned size = 0;
        const char* data = hb_blob_get_data(head, &size);
        if (data && size >= 54)
            for (int i = 0; i < 4; ++i) {
                const auto high = uchar(data[36 + 2 * i]);
                const auto low = uchar(data[37 + 2 * i]);
                info.box[size_t(i)] = qint16(quint16(high << 8 | low)) * f.toThousandths;
            }
        hb_blob_destroy(head);
    }

    bool hasGlyph(int face, char32_t c) const {
        hb_codepoint_t glyph = 0;
        return face >= 0 && hb_font_get_nominal_glyph(faces[size_t(face)].font, c, &glyph);
    }

    int baseFace(PageFont font) {
        int& face = base[size_t(font)];
        if (face == 0) { // not looked for yet (faces are numbered from 0, stored + 1)
            FcPattern* pattern = patternFor(font);
            FcResult result = FcResultNoMatch;
            FcPattern* match = FcFontMatch(nullptr, pattern, &result);
            int found = -1;
            if (match && usable(match))
                found = load(match);
            if (match)
                FcPatternDestroy(match);
            FcPatternDestroy(pattern);
            face = found + 1;
        }
        return face - 1;
    }

    // The face that shows `c`: the report's own face if it has it, else the
    // first installed font, in fontconfig's order of likeness, that does;
    // the report's face (its "missing" box) when none has it.
    int faceFor(PageFont font, char32_t c) {
        auto& known = faceOf[size_t(font)];
        const auto found = known.constFind(c);
        if (found != known.constEnd())
            return *found;
        const int own = baseFace(font);
        int face = hasGlyph(own, c) ? own : -1;
        if (face < 0) {
            FcFontSet*& set = fallbacks[size_t(font)];
            if (!set) {
                FcPattern* pattern = patternFor(font);
                FcResult result = FcResultNoMatch;
                set = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
                FcPatternDestroy(pattern);
            }
            for (int i = 0; set && i < set->nfont && face < 0; ++i) {
                FcCharSet* chars = nullptr;
                if (FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &chars) != FcResultMatch ||
                    !FcCharSetHasChar(chars, c) || !usable(set->fonts[i]))
                    continue;
                const int loaded = load(set->fonts[i]);
                if (hasGlyph(loaded, c))
                    face = loaded;
            }
        }
        if (face < 0)
            face = own;
        known.insert(c, face);
        return face;
    }

    std::vector<int> facesOf(PageFont font, const std::vector<char32_t>& points);
    // The glyphs of a run in a face of its own, as HarfBuzz shapes them, and
    // the run's width.
    void shapeRun(ShapedRun& run);
};

QRectF missingGlyphBox() {
    return {80, 0, MissingGlyphAdvance - 160, 680};
}

FontShaper& FontShaper::instance() {
    static FontShaper shaper;
    return shaper;
}

FontShaper::FontShaper() : d_(std::make_unique<Impl>()) {
    FcInit();
}

FontShaper::~FontShaper() = default;

bool FontShaper::isStandard(char32_t c) {
    if (c >= 0x10000)
        return false;
    const QChar q{char16_t(c)};
    return winAnsiByte(q) != '?' || c == '?' || q.category() == QChar::Other_Control;
}

bool FontShaper::needsShaping(QStringView text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x7F && !isStandard(c.unicode()))
            return true;
    return false;
}

bool FontShaper::shapingChangesWidth(QStringView text) {
    for (qsizetype i = 0; i < text.size();) {
        qsizetype length = 1;
        const char32_t c = PageFontMetrics::codePointAt(text, i, &length);
        i += length;
        if (c < 0x0590)
            continue; // Latin, Greek, Cyrillic, Armenian: side by side as they are
        switch (QChar::script(c)) {
        case QChar::Script_Common:
        case QChar::Script_Inherited: // marks: no advance, alone or shaped
        case QChar::Script_Hebrew:
        case QChar::Script_Han:
        case QChar::Script_Hiragana:
        case QChar::Script_Katakana:
        case QChar::Script_Hangul:
        case QChar::Script_Bopomofo:
        case QChar::Script_Georgian:
        case QChar::Script_Ethiopic:
        case QChar::Script_Yi:
        case QChar::Script_Latin:
        case QChar::Script_Greek:
        case QChar::Script_Cyrillic:
            continue;
        default:
            return true;
        }
    }
    return false;
}

float FontShaper::advance(PageFont font, char32_t c) {
    auto& known = d_->advances[size_t(font)];
    const auto found = known.constFind(c);
    if (found != known.constEnd())
        return *found;
    const int face = d_->faceFor(font, c);
    float width = 500;
    hb_codepoint_t glyph = MissingGlyph;
    if (face >= 0 && !hb_font_get_nominal_glyph(d_->faces[size_t(face)].font, c, &glyph)) {
        width = float(MissingGlyphAdvance); // no font has it: a box
    } else if (face >= 0) {
        const Impl::Face& f = d_->faces[size_t(face)];
        width = float(hb_font_get_glyph_h_advance(f.font, glyph) * f.toThousandths);
        if (isMark(c) && QChar::category(c) == QChar::Mark_NonSpacing)
            width = 0; // it stands on the character before it
    }
    known.insert(c, width);
    return width;
}

const FontFaceInfo& FontShaper::face(int face) const {
    return d_->faces.at(size_t(face)).info;
}

double FontShaper::glyphAdvance(int face, quint32 glyph) const {
    const Impl::Face& f = d_->faces.at(size_t(face));
    // In hundredths, as the PDF writes its numbers, so that a glyph shaped
    // to its own width needs no correction in the page's text.
    return std::round(hb_font_get_glyph_h_advance(f.font, glyph) * f.toThousandths * 100) / 100;
}

quint32 FontShaper::glyphCount(int face) const {
    return hb_face_get_glyph_count(d_->faces.at(size_t(face)).face);
}

namespace {

// The embedding level of each character by the Unicode bidirectional
// algorithm, with the line's own direction taken from its first letter: odd
// levels run right to left.
std::vector<FriBidiLevel> bidiLevels(const std::vector<char32_t>& points) {
    const auto count = FriBidiStrIndex(points.size());
    std::vector<FriBidiCharType> types(points.size());
    std::vector<FriBidiBracketType> brackets(points.size());
    std::vector<FriBidiLevel> levels(points.size());
    const auto* chars = reinterpret_cast<const FriBidiChar*>(points.data());
    fribidi_get_bidi_types(chars, count, types.data());
    fribidi_get_bracket_types(chars, count, types.data(), brackets.data());
    FriBidiParType direction = FRIBIDI_PAR_ON;
    // The reordering itself is done on whole runs (putInDrawingOrder); FriBidi's
    // line pass is asked only to settle the levels of blanks at the line's end.
    if (!fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), count, &direction,
                                             levels.data()) ||
        !fribidi_reorder_line(FRIBIDI_FLAGS_DEFAULT, types.data(), count, 0, direction,
                              levels.data(), nullptr, nullptr))
        std::fill(levels.begin(), levels.end(), FriBidiLevel(0));
    return levels;
}

// Characters [from, to) of a line, drawn in one face at one level.
struct TextPiece {
    size_t from, to;
    int face;
    FriBidiLevel level;
};

// The line cut where the face or the level changes, in the order of the text.
std::vector<TextPiece> piecesOf(const std::vector<char32_t>& points, const std::vector<int>& faces,
                                const std::vector<FriBidiLevel>& levels) {
    std::vector<TextPiece> pieces;
    for (size_t i = 0; i < points.size(); ++i) {
        if (points[i] == LeftToRightMark || points[i] == RightToLeftMark)
            continue; // it has set the direction; there is nothing to draw
        if (!pieces.empty() && pieces.back().face == faces[i] && pieces.back().level == levels[i] &&
            pieces.back().to == i)
            pieces.back().to = i + 1;
        else
            pieces.push_back({i, i + 1, faces[i], levels[i]});
    }
    return pieces;
}

// Pieces from the highest level down to the lowest odd one are turned round
// wherever they stand at that level or above.
void putInDrawingOrder(std::vector<TextPiece>& pieces) {
    int highest = 0;
    int lowestOdd = 1000;
    for (const TextPiece& piece : pieces) {
        highest = std::max(highest, int(piece.level));
        if (piece.level % 2 == 1)
            lowestOdd = std::min(lowestOdd, int(piece.level));
    }
    for (int level = highest; level >= lowestOdd && level > 0; --level)
        for (size_t i = 0; i < pieces.size();) {
            if (pieces[i].level < level) {
                ++i;
                continue;
            }
            size_t end = i;
            while (end < pieces.size() && pieces[end].level >= level)
                ++end;
            std::reverse(pieces.begin() + qsizetype(i), pieces.begin() + qsizetype(end));
            i = end;
        }
}

// A glyph as HarfBuzz placed it, in thousandths of the em.
ShapedGlyph placedGlyph(const hb_glyph_info_t& info, const hb_glyph_position_t& position,
                        double toThousandths) {
    ShapedGlyph glyph;
    glyph.glyph = info.codepoint;
    glyph.advance = position.x_advance * toThousandths;
    glyph.xOffset = position.x_offset * toThousandths;
    glyph.yOffset = position.y_offset * toThousandths;
    if (glyph.glyph == MissingGlyph) { // drawn as a box, as measured
        glyph.advance = MissingGlyphAdvance;
        glyph.xOffset = glyph.yOffset = 0;
    }
    return glyph;
}

} // namespace

// Each character's face. A combining mark goes with the character it sits
// on when that face has it; else it is drawn on its own, with no advance,
// over the character before it (as mark glyphs are made).
std::vector<int> FontShaper::Impl::facesOf(PageFont font, const std::vector<char32_t>& points) {
    std::vector<int> faces(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        const char32_t c = points[i];
        if (FontShaper::isStandard(c) || c == LeftToRightMark || c == RightToLeftMark) {
            faces[i] = StandardFace;
            continue;
        }
        if (i > 0 && isMark(c) && faces[i - 1] >= 0 && hasGlyph(faces[i - 1], c))
            faces[i] = faces[i - 1];
        else
            faces[i] = faceFor(font, c);
    }
    return faces;
}

void FontShaper::Impl::shapeRun(ShapedRun& run) {
    const Face& f = faces[size_t(run.face)];
    hb_buffer_clear_contents(buffer);
    hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(run.text.utf16()),
                        int(run.text.size()), 0, int(run.text.size()));
    hb_buffer_guess_segment_properties(buffer);
    hb_buffer_set_flags(buffer, HB_BUFFER_FLAG_DO_NOT_INSERT_DOTTED_CIRCLE);
    hb_buffer_set_direction(buffer, run.rightToLeft ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    // No kerning: the layout measures a line character by character, and
    // the drawn line must not come out wider or narrower than that.
    hb_feature_t noKerning{HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START,
                           HB_FEATURE_GLOBAL_END};
    hb_shape(f.font, buffer, &noKerning, 1);
    unsigned glyphCount = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &glyphCount);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &glyphCount);

    // The characters each glyph shows: a cluster's text goes to the first of
    // its glyphs met.
    std::vector<unsigned> clusters;
    for (unsigned g = 0; g < glyphCount; ++g)
        clusters.push_back(infos[g].cluster);
    std::sort(clusters.begin(), clusters.end());
    clusters.erase(std::unique(clusters.begin(), clusters.end()), clusters.end());
    QList<bool> given(qsizetype(clusters.size()), false);
    for (unsigned g = 0; g < glyphCount; ++g) {
        ShapedGlyph glyph = placedGlyph(infos[g], positions[g], f.toThousandths);
        const auto at = std::lower_bound(clusters.begin(), clusters.end(), infos[g].cluster);
        const auto index = qsizetype(at - clusters.begin());
        if (!given[index]) {
            given[index] = true;
            const unsigned end = at + 1 == clusters.end() ? unsigned(run.text.size()) : *(at + 1);
            glyph.textFrom = *at;
            glyph.textLength = end - *at;
        }
        run.width += glyph.advance;
        run.glyphs.append(glyph);
    }
}

QList<ShapedRun> FontShaper::shape(PageFont font, QStringView text) {
    std::vector<qsizetype> starts;
    const std::vector<char32_t> points = codePoints(text, &starts);
    if (points.empty())
        return {};
    std::vector<TextPiece> pieces = piecesOf(points, d_->facesOf(font, points), bidiLevels(points));
    putInDrawingOrder(pieces);

    QList<ShapedRun> runs;
    const PageFontMetrics& metrics = PageFontMetrics::instance();
    for (const TextPiece& piece : pieces) {
        ShapedRun run;
        run.face = piece.face;
        run.rightToLeft = piece.level % 2 == 1;
        run.text =
            text.sliced(starts[piece.from], starts[piece.to] - starts[piece.from]).toString();
        if (run.face == StandardFace)
            run.width = metrics.width(font, 1000, run.text);
        else
            d_->shapeRun(run);
        runs.append(run);
    }
    return runs;
}

namespace {

QByteArray wholeFace(hb_face_t* source) {
    hb_face_t* builder = hb_face_builder_create();
    hb_tag_t tags[64];
    unsigned offset = 0;
    for (;;) {
        unsigned count = 64;
        hb_face_get_table_tags(source, offset, &count, tags);
        for (unsigned i = 0; i < count; ++i) {
            hb_blob_t* table = hb_face_reference_table(source, tags[i]);
            hb_face_builder_add_table(builder, tags[i], table);
            hb_blob_destroy(table);
        }
        if (count < 64)
            break;
        offset += count;
    }
    hb_blob_t* blob = hb_face_reference_blob(builder);
    unsigned size = 0;
    const char* data = hb_blob_get_data(blob, &size);
    QByteArray bytes(data, qsizetype(size));
    hb_blob_destroy(blob);
    hb_face_destroy(builder);
    return bytes;
}

} // namespace

QByteArray FontShaper::faceData(int face) const {
    // Kept, as the preview asks again for every page it draws.
    QByteArray& kept = d_->faces.at(size_t(face)).data;
    if (kept.isEmpty())
        kept = wholeFace(d_->faces.at(size_t(face)).face);
    return kept;
}

QByteArray FontShaper::subset(int face, const QList<quint32>& glyphs) const {
    const Impl::Face& f = d_->faces.at(size_t(face));
    hb_subset_input_t* input = hb_subset_input_create_or_fail();
    if (!input)
        return {};
    hb_set_t* glyphSet = hb_subset_input_glyph_set(input);
    hb_set_add(glyphSet, 0);
    for (const quint32 glyph : glyphs)
        hb_set_add(glyphSet, glyph);
    // The text is shaped already: the layout tables would only pull in
    // glyphs nobody draws. The glyph numbers stay as they were, so the
    // pages written before the cut need no renumbering.
    hb_set_t* drop = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const hb_tag_t tag :
         {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
          HB_TAG('k', 'e', 'r', 'n'), HB_TAG('m', 'o', 'r', 'x'), HB_TAG('B', 'A', 'S', 'E')})
        hb_set_add(drop, tag);
    hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NO_HINTING);
    hb_face_t* cut = hb_subset_or_fail(f.face, input);
    hb_subset_input_destroy(input);
    if (!cut)
        return {};
    hb_blob_t* blob = hb_face_reference_blob(cut);
    unsigned size = 0;
    const char* data = hb_blob_get_data(blob, &size);
    QByteArray bytes(data, qsizetype(size));
    hb_blob_destroy(blob);
    hb_face_destroy(cut);
    return bytes;
}

} // namespace ink
