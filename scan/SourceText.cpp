#include "SourceText.h"

#include <cstring>
#include <QFile>
#include <QStringDecoder>

#include "store/RegularFile.h"

namespace ink {

namespace {
constexpr QByteArrayView utf8ByteOrderMark("\xEF\xBB\xBF");

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. The five bytes the
// code page leaves undefined keep their own value, as Windows itself does.
constexpr char16_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString DecodeWindows1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(windows1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}
// Whether every byte is ASCII, eight at a time.
bool isPlainAscii(QByteArrayView bytes) {
    const char* at = bytes.data();
    const char* const end = at + bytes.size();
    for (; end - at >= 8; at += 8) {
        quint64 word;
        std::memcpy(&word, at, 8);
        if (word & 0x8080808080808080ULL)
            return false;
    }
    for (; at < end; ++at)
        if (static_cast<unsigned char>(*at) >= 0x80)
            return false;
    return true;
}
} // namespace

SourceBytes ClassifySourceBytes(QByteArrayView raw) {
    SourceBytes source;
    source.bytes = raw.startsWith(utf8ByteOrderMark) ? raw.sliced(utf8ByteOrderMark.size()) : raw;
    source.encoding =
        source.bytes.isValidUtf8() ? SourceEncoding::Utf8 : SourceEncoding::Windows1252;
    return source;
}

QString DecodeSourceBytes(QByteArrayView bytes, SourceEncoding encoding) {
    QString text;
    // Nearly every piece a scanner keeps is plain ASCII, which both
    // encodings read as Latin-1 does; Qt widens that without a decoder.
    if (isPlainAscii(bytes)) {
        text = QString::fromLatin1(bytes);
    } else if (encoding == SourceEncoding::Windows1252) {
        text = DecodeWindows1252(bytes);
    } else {
        // QString::fromUtf8 would drop a byte-order mark at the start of any
        // piece; only the file's own leading one goes, and ClassifySourceBytes
        // has taken it already.
        QStringDecoder decoder(QStringConverter::Utf8,
                               QStringConverter::Flag::Stateless |
                                   QStringConverter::Flag::ConvertInitialBom);
        text = decoder.decode(bytes);
    }
    // A NUL byte is no text (a damaged file, or a binary one): it is dropped,
    // so nothing taken from a source cuts short where a server store keeps it.
    if (bytes.contains('\0'))
        text.remove(QChar(0));
    return text;
}

QString DecodeSourceText(QByteArrayView raw) {
    const SourceBytes source = ClassifySourceBytes(raw);
    return DecodeSourceBytes(source.bytes, source.encoding);
}

std::optional<QByteArray> ReadSourceBytes(const QString& path, qint64 maxBytes, bool* truncated,
                                          QString* failure) {
    if (truncated)
        *truncated = false;
    QFile file;
    if (!OpenRegularFile(file, path, failure))
        return std::nullopt;
    // Ask for no more than the file holds, so a generous cap costs no memory.
    QByteArray bytes = file.read(qMin(maxBytes, file.size()));
    if (file.error() != QFileDevice::NoError) {
        if (failure) {
            *failure = file.errorString();
            if (!failure->isEmpty())
                (*failure)[0] = failure->at(0).toLower();
        }
        return std::nullopt;
    }
    if (truncated)
        *truncated = file.size() > maxBytes;
    return bytes;
}

} // namespace ink
