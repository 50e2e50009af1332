#include "ProfileFile.h"

#include <QList>

#include "scan/SourceText.h"

namespace ink {
namespace {

struct Line {
    qsizetype start = 0;      // offset of the line in the file
    qsizetype contentEnd = 0; // offset of its line break (or of the file's end)
    qsizetype end = 0;        // offset after its line break
};

QList<Line> SplitLines(const QByteArray& file) {
    QList<Line> lines;
    qsizetype at = 0;
    while (at < file.size()) {
        const qsizetype newline = file.indexOf('\n', at);
        Line line;
        line.start = at;
        line.end = newline < 0 ? file.size() : newline + 1;
        line.contentEnd = newline < 0 ? file.size() : newline;
        if (line.contentEnd > line.start && file[line.contentEnd - 1] == '\r')
            --line.contentEnd;
        lines.append(line);
        at = line.end;
    }
    return lines;
}

QString Text(const QByteArray& file, qsizetype from, qsizetype to) {
    return DecodeSourceText(QByteArrayView(file).sliced(from, to - from));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The section a header line names, or nothing for any other line.
std::optional<QString> SectionName(const QByteArray& file, const Line& line) {
    const QString text = Text(file, line.start, line.contentEnd).trimmed();
    if (!text.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = text.indexOf(u']');
    return text.mid(1, close < 0 ? -1 : close - 1).trimmed();
}

// Offset of the "=" of a key line, -1 for a line without one.
qsizetype EqualsSign(const QByteArray& file, const Line& line) {
    const qsizetype equals = file.indexOf('=', line.start);
    return equals >= 0 && equals < line.contentEnd ? equals : -1;
}

bool SameName(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// Where a section's lines lie: from the line after its header up to the
// next header. `header` is -1 when the file has no such section.
struct SectionSpan {
    qsizetype header = -1;
    qsizetype bodyEnd = -1;
};

SectionSpan FindSection(const QByteArray& file, const QList<Line>& lines, const QString& section) {
    SectionSpan span;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<QString> name = SectionName(file, lines[i]);
        if (!name)
            continue;
        if (span.header >= 0) {
            span.bodyEnd = i;
            return span;
        }
        if (SameName(*name, section))
            span.header = i;
    }
    span.bodyEnd = lines.size();
    return span;
}

// The line of `key` within a section, -1 when it has none.
qsizetype FindKey(const QByteArray& file, const QList<Line>& lines, const SectionSpan& span,
                  const QString& key) {
    for (qsizetype i = span.header + 1; i < span.bodyEnd; ++i) {
        const qsizetype equals = EqualsSign(file, lines[i]);
        if (equals >= 0 && SameName(Text(file, lines[i].start, equals), key))
            return i;
    }
    return -1;
}

QString Unquoted(QString value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

std::optional<QString> profileValue(const QByteArray& file, const QString& section,
                                    const QString& key) {
    const QList<Line> lines = SplitLines(file);
    const SectionSpan span = FindSection(file, lines, section);
    if (span.header < 0)
        return std::nullopt;
    const qsizetype at = FindKey(file, lines, span, key);
    if (at < 0)
        return std::nullopt;
    const Line& line = lines[at];
    return Unquoted(Text(file, EqualsSign(file, line) + 1, line.contentEnd).trimmed());
}

QByteArray withProfileValue(const QByteArray& file, const QString& section, const QString& key,
                            const QString& value) {
    const QByteArray lineBreak = file.contains("\r\n") ? "\r\n" : "\n";
    const QByteArray keyLine = key.toUtf8() + '=' + value.toUtf8();
    const QList<Line> lines = SplitLines(file);
    const SectionSpan span = FindSection(file, lines, section);
    QByteArray changed = file;

    if (span.header < 0) {
        if (!changed.isEmpty() && !changed.endsWith('\n'))
            changed += lineBreak;
        return changed + '[' + section.toUtf8() + ']' + lineBreak + keyLine + lineBreak;
    }

    const qsizetype at = FindKey(file, lines, span, key);
    if (at >= 0) {
        // The key and the spacing around its "=" stay; only the value changes.
        const Line& line = lines[at];
        qsizetype valueStart = EqualsSign(file, line) + 1;
        while (valueStart < line.contentEnd && IsBlank(file[valueStart]))
            ++valueStart;
        return changed.replace(valueStart, line.contentEnd - valueStart, value.toUtf8());
    }

    // A new key goes after the section's last line that is neither blank nor
    // a comment: comments just before a header belong to the next section.
    qsizetype last = span.header;
    for (qsizetype i = span.header + 1; i < span.bodyEnd; ++i) {
        const QString text = Text(file, lines[i].start, lines[i].contentEnd).trimmed();
        if (!text.isEmpty() && !text.startsWith(u';') && !text.startsWith(u'#'))
            last = i;
    }
    qsizetype insertAt = lines[last].end;
    QByteArray inserted = keyLine + lineBreak;
    if (lines[last].end == lines[last].contentEnd) // the file's last line has no break
        inserted.prepend(lineBreak);
    return changed.insert(insertAt, inserted);
}

} // namespace ink
