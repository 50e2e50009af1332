#include "IncludeFiles.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <optional>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QSet>
#include <QStringList>
#include <vector>

#include "InterfaceTokens.h"
#include "PascalLexer.h"
#include "SourceText.h"
#include "UnitReadLimit.h"

namespace ink {

namespace {

// The file name an include directive names, or empty for any other directive.
QString includedName(QByteArrayView directive) {
    QByteArrayView body = PascalLexer::commentBody(directive).trimmed();
    if (!body.startsWith('$'))
        return {};
    body = body.sliced(1);
    qsizetype nameEnd = 0;
    while (nameEnd < body.size() && std::isalpha(static_cast<unsigned char>(body[nameEnd])))
        ++nameEnd;
    const QByteArray name = body.first(nameEnd).toByteArray().toLower();
    if (name != "i" && name != "include")
        return {};
    QByteArrayView argument = body.sliced(nameEnd);
    if (argument.isEmpty() || !std::isspace(static_cast<unsigned char>(argument[0])))
        return {}; // {$I+}, {$I-}
    argument = argument.trimmed();
    if (argument.size() >= 2 && argument.startsWith('\'') && argument.endsWith('\''))
        argument = argument.sliced(1, argument.size() - 2);
    if (argument.isEmpty() || argument.startsWith('%') || argument.startsWith('+') ||
        argument.startsWith('-'))
        return {}; // {$I %DATE%} inserts a string, not a file
    QString file = QString::fromUtf8(argument.toByteArray());
    file.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return file;
}

// A file's text with where its interface names include files: what expand()
// needs of a file, found by one lexing of it. Lexing depends on the bytes
// alone, so this serves every unit that includes the file.
struct LexedFile {
    struct Include {
        qsizetype begin; // the directive's bytes
        qsizetype end;
        QString name;
    };
    QByteArray bytes;
    std::vector<Include> includes;
    bool reachedImplementation = false;
    FileStamp stamp; // taken before the bytes were read
};

LexedFile lexFile(QByteArray bytes) {
    LexedFile file;
    file.bytes = std::move(bytes);
    InterfaceTokens tokens(file.bytes);
    for (Token token = tokens.next(); token.kind != TokenKind::End; token = tokens.next()) {
        if (token.kind != TokenKind::Directive)
            continue;
        QString name = includedName(tokens.lexer().text(token));
        if (!name.isEmpty())
            file.includes.push_back({token.begin, token.end, std::move(name)});
    }
    file.reachedImplementation = tokens.reachedImplementation();
    return file;
}

// A folder's files by name, and by case-folded name the first of them in
// listing order.
struct Listing {
    QSet<QString> exact;
    QHash<QString, QString> folded;
    FileStamp stamp; // taken before the folder was listed
};

} // namespace

struct IncludeCache::Data {
    explicit Data(qint64 maxBytes) : maxBytesKept(maxBytes) {}

    // Units of one build may be read on several threads at once. What they
    // share is looked up and added under this lock; the disk is read and a
    // file lexed outside it, so one thread's reading never waits for
    // another's. Two threads that miss the same file both read it, and the
    // first kept is the one used.
    mutable std::mutex mutex;

    // Include files kept, by the file they resolve to; null for one that
    // could not be read. `lastUse` orders them for letting go.
    struct Kept {
        std::shared_ptr<const LexedFile> file;
        quint64 lastUse = 0;
    };
    QHash<QString, Kept> files;
    quint64 uses = 0;
    // By folder; shared, as a thread goes on using a listing while
    // another adds to the table.
    QHash<QString, std::shared_ptr<const Listing>> listings;
    // What each folder a lookup found a file in resolves to, links followed:
    // a link that names its own folder gives endless paths to one file.
    QHash<QString, QString> resolved;
    // The project's include search paths, looked in after its folder.
    QStringList searchFolders;
    qint64 bytesKept = 0;
    const qint64 maxBytesKept;

    // Makes room for `size` more bytes: the files used longest ago go until
    // half the budget is free, so that letting go, which sorts what is kept,
    // happens seldom.
    void makeRoom(qint64 size) {
        if (bytesKept + size <= maxBytesKept)
            return;
        std::vector<std::pair<quint64, QString>> byAge;
        byAge.reserve(std::size_t(files.size()));
        for (auto kept = files.cbegin(); kept != files.cend(); ++kept)
            if (kept->file)
                byAge.emplace_back(kept->lastUse, kept.key());
        std::sort(byAge.begin(), byAge.end());
        for (const auto& [lastUse, key] : byAge) {
            if (bytesKept + size <= maxBytesKept / 2)
                break;
            bytesKept -= files.take(key).file->bytes.size();
        }
    }
};

IncludeCache::IncludeCache(qint64 maxBytesKept) : d_(std::make_unique<Data>(maxBytesKept)) {}
IncludeCache::~IncludeCache() = default;

qint64 IncludeCache::bytesKept() const {
    std::lock_guard lock(d_->mutex);
    return d_->bytesKept;
}

void IncludeCache::setSearchFolders(const QStringList& folders) {
    std::lock_guard lock(d_->mutex);
    d_->searchFolders = folders;
}

namespace {

class Expander {
public:
    Expander(const QString& unitPath, const QString& projectFolder, IncludeCache::Data& cache,
             QList<FileStamp>* taken, QList<IncludedPiece>* pieces, IncludeRepeats repeats)
        : cache_(cache), taken_(taken), pieces_(pieces), repeats_(repeats) {
        const QString unitFolder = QFileInfo(unitPath).absolutePath();
        folders_ << unitFolder;
        if (!projectFolder.isEmpty()) {
            const QString project = QDir(projectFolder).absolutePath();
            if (project != unitFolder)
                folders_ << project;
        }
        const QStringList searchFolders = [&] {
            std::lock_guard lock(cache_.mutex);
            return cache_.searchFolders;
        }();
        for (const QString& folder : searchFolders)
            if (!folders_.contains(folder))
                folders_ << folder;
        // Last, where the LCL and the FPC run-time library keep the include
        // files their units share, which their build scripts put on the
        // compiler's include path rather than in the directive: the
        // "include" folder in the unit's, and the "inc" folder beside it.
        folders_ << unitFolder + QStringLiteral("/include")
                 << QDir::cleanPath(unitFolder + QStringLiteral("/../inc"));
        seen_.insert(key(unitPath));
    }

    // Appends to `out` the file's text with its include directives replaced,
    // as far as an `implementation` keyword; `done` tells that the keyword
    // was met. `filePath` names the file in the pieces. All the levels write
    // into the one result, so that a large include is copied once.
    void expand(const LexedFile& file, const QString& filePath, QByteArray& out, int depth,
                bool& done) {
        const QByteArray& bytes = file.bytes;
        const QString folder = QFileInfo(filePath).absolutePath();
        qsizetype copied = 0;
        int line = 1; // of `copied`
        notePiece(out.size(), filePath, line);
        for (const LexedFile::Include& include : file.includes) {
            if (depth >= maxIncludeDepth)
                break;
            const QString path = find(include.name, folder);
            if (path.isEmpty())
                continue;
            const QString fileKey = key(path);
            if (seen_.contains(fileKey))
                continue;
            seen_.insert(fileKey);
            // Taken out again once read, when a file may come again later;
            // while it is being read, it may not include itself.
            const auto unsee = qScopeGuard([&] {
                if (repeats_ == IncludeRepeats::AsCompiled)
                    seen_.remove(fileKey);
            });
            const std::shared_ptr<const LexedFile> included = read(path, fileKey);
            if (!included)
                continue;
            // However the files are laid out, a unit reads so much at most.
            if (included->bytes.size() > maxIncludedBytes - bytesIncluded_)
                continue;
            bytesIncluded_ += included->bytes.size();
            // Room for the included file and the rest of this one at once: a
            // generated unit may include megabytes, and growing by doubling
            // would hold up to twice its text for the unit's whole reading.
            // Small includes grow the room by an eighth, so that many of them
            // still copy the text only a few times over.
            const qsizetype needed = out.size() + (include.begin - copied) +
                                     included->bytes.size() + (bytes.size() - include.end) + 2;
            if (needed > out.capacity())
                out.reserve(std::max(needed, out.capacity() + out.capacity() / 8));
            // Line breaks keep the included text from running into the
            // words around the directive.
            out += QByteArrayView(bytes).sliced(copied, include.begin - copied);
            out += '\n';
            expand(*included, path, out, depth + 1, done);
            out += '\n';
            if (pieces_)
                line += int(QByteArrayView(bytes).sliced(copied, include.end - copied).count('\n'));
            copied = include.end;
            notePiece(out.size(), filePath, line);
            if (done)
                break;
        }
        done = done || file.reachedImplementation;
        out += QByteArrayView(bytes).sliced(copied);
    }

private:
    void notePiece(qsizetype begin, const QString& path, int line) {
        if (!pieces_)
            return;
        // A piece that holds nothing gives way to the one after it.
        if (!pieces_->isEmpty() && pieces_->last().begin == begin)
            pieces_->removeLast();
        pieces_->append({begin, path, line});
    }

    // A file's identity for "read once": the path of its folder resolved,
    // links followed, and its name. Keyed by the path text, `{$I s/x.inc}` in
    // x.inc with a link `s` to its own folder is a new file at every level,
    // and a few such directives multiply up to the depth limit. Resolving
    // costs a system call per folder of the path, so each folder is resolved
    // once per build; a link to a file, which cannot loop, is left as named.
    QString key(const QString& path) {
        const QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
        const QString folder = info.path();
        std::unique_lock lock(cache_.mutex);
        if (const auto resolved = cache_.resolved.constFind(folder);
            resolved != cache_.resolved.cend())
            return *resolved + QLatin1Char('/') + info.fileName();
        lock.unlock();
        QString canonical = QFileInfo(folder).canonicalFilePath();
        if (canonical.isEmpty())
            canonical = folder;
        lock.lock();
        cache_.resolved.insert(folder, canonical);
        return canonical + QLatin1Char('/') + info.fileName();
    }

    std::shared_ptr<const LexedFile> read(const QString& path, const QString& fileKey) {
        if (std::optional<std::shared_ptr<const LexedFile>> kept = keptFile(fileKey)) {
            // One that could not be read is never trusted to stay so.
            if (taken_)
                *taken_ << (*kept ? (*kept)->stamp : FileStamp{path});
            return *kept;
        }
        std::shared_ptr<const LexedFile> file;
        FileStamp stamp = StampFile(path);
        if (std::optional<QByteArray> bytes = ReadSourceBytes(path, unitReadLimit)) {
            if (bytes->startsWith("\xEF\xBB\xBF"))
                bytes->remove(0, 3);
            LexedFile lexed = lexFile(std::move(*bytes));
            lexed.stamp = std::move(stamp);
            file = std::make_shared<const LexedFile>(std::move(lexed));
        }
        file = keep(fileKey, std::move(file));
        if (taken_)
            *taken_ << (file ? file->stamp : FileStamp{path});
        return file;
    }

    // The file kept under `fileKey`, marked as used now; none when it is not kept.
    std::optional<std::shared_ptr<const LexedFile>> keptFile(const QString& fileKey) {
        std::lock_guard lock(cache_.mutex);
        const auto kept = cache_.files.find(fileKey);
        if (kept == cache_.files.end())
            return std::nullopt;
        kept->lastUse = ++cache_.uses;
        return kept->file;
    }

    // Keeps a file just read, unless another thread kept it meanwhile: then
    // that one is used, so that every unit sees one version of it.
    std::shared_ptr<const LexedFile> keep(const QString& fileKey,
                                          std::shared_ptr<const LexedFile> file) {
        std::lock_guard lock(cache_.mutex);
        if (const auto kept = cache_.files.find(fileKey); kept != cache_.files.end()) {
            kept->lastUse = ++cache_.uses;
            return kept->file;
        }
        const qint64 size = file ? file->bytes.size() : 0;
        if (size <= cache_.maxBytesKept / 2) {
            cache_.makeRoom(size);
            cache_.bytesKept += size;
            cache_.files.insert(fileKey, {file, ++cache_.uses});
        }
        return file;
    }

    QString find(const QString& name, const QString& includingFolder) {
        QStringList candidates{name};
        if (QFileInfo(name).suffix().isEmpty())
            candidates << name + QStringLiteral(".inc") << name + QStringLiteral(".pp")
                       << name + QStringLiteral(".pas");
        if (QDir::isAbsolutePath(name)) {
            for (const QString& candidate : candidates)
                if (const QString found = inFolder(QString(), candidate); !found.isEmpty())
                    return found;
            return {};
        }
        QStringList folders{includingFolder};
        for (const QString& folder : folders_)
            if (!folders.contains(folder))
                folders << folder;
        for (const QString& folder : folders)
            for (const QString& candidate : candidates)
                if (const QString found = inFolder(folder, candidate); !found.isEmpty())
                    return found;
        return {};
    }

    // The file `relative` in `folder`, its last part matched without regard
    // to case when the exact name is not there. Looked up in the folder's
    // listing, read once per build: a look at the disk per name tried would
    // cost more than the scanning.
    QString inFolder(const QString& folder, const QString& relative) {
        const QString exact = folder.isEmpty() ? relative : folder + QLatin1Char('/') + relative;
        const QFileInfo info(exact);
        const QString parent = QDir::cleanPath(info.absolutePath());
        const QString wanted = info.fileName();
        const std::shared_ptr<const Listing> listing = listingOf(parent);
        if (listing->exact.contains(wanted))
            return parent + QLatin1Char('/') + wanted;
        const auto folded = listing->folded.constFind(wanted.toCaseFolded());
        return folded == listing->folded.cend() ? QString() : parent + QLatin1Char('/') + *folded;
    }

    std::shared_ptr<const Listing> listingOf(const QString& folder) {
        std::shared_ptr<const Listing> listed;
        {
            std::lock_guard lock(cache_.mutex);
            listed = cache_.listings.value(folder);
        }
        if (!listed) {
            auto listing = std::make_shared<Listing>();
            listing->stamp = StampFolder(folder);
            for (const QString& entry : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
                listing->exact.insert(entry);
                const QString folded = entry.toCaseFolded();
                if (!listing->folded.contains(folded))
                    listing->folded.insert(folded, entry);
            }
            // Another thread may have listed it meanwhile: the first listing stays.
            std::lock_guard lock(cache_.mutex);
            std::shared_ptr<const Listing>& slot = cache_.listings[folder];
            if (!slot)
                slot = std::move(listing);
            listed = slot;
        }
        if (taken_ && !foldersTaken_.contains(folder)) {
            foldersTaken_.insert(folder);
            *taken_ << listed->stamp;
        }
        return listed;
    }

    IncludeCache::Data& cache_;
    QList<FileStamp>* taken_;
    QList<IncludedPiece>* pieces_;
    IncludeRepeats repeats_;
    QSet<QString> foldersTaken_;
    QStringList folders_;
    QSet<QString> seen_;
    qint64 bytesIncluded_ = 0;
};

// Only a unit that names an include at all is lexed a second time. Asked of
// every unit, so one pass over its bytes for "{$I" or "(*$I" in either case,
// then "NCLUDE" or not, and white space: an include as includedName() reads
// it, and not {$IFDEF}, {$I+} or {$INLINE ON}.
bool mayInclude(QByteArrayView bytes) {
    const char* const data = bytes.data();
    const qsizetype size = bytes.size();
    const auto blankAt = [&](qsizetype at) {
        return at < size && std::isspace(static_cast<unsigned char>(data[at]));
    };
    for (qsizetype at = 1; at + 1 < size; ++at) {
        const void* dollar = std::memchr(data + at, '$', std::size_t(size - at - 1));
        if (!dollar)
            return false;
        at = static_cast<const char*>(dollar) - data;
        if ((data[at + 1] != 'i' && data[at + 1] != 'I') ||
            (data[at - 1] != '{' && (data[at - 1] != '*' || at < 2 || data[at - 2] != '(')))
            continue;
        if (blankAt(at + 2)) // {$I name}
            return true;
        if (at + 8 < size &&
            QByteArrayView(data + at + 2, 6).compare("nclude", Qt::CaseInsensitive) == 0 &&
            blankAt(at + 8))
            return true;
    }
    return false;
}

} // namespace

QByteArray ExpandInterfaceIncludes(const QByteArray& unitBytes, const QString& unitPath,
                                   const QString& projectFolder, IncludeCache* cache,
                                   QList<FileStamp>* taken, QList<IncludedPiece>* pieces,
                                   IncludeRepeats repeats) {
    if (!mayInclude(unitBytes)) {
        if (pieces)
            pieces->append({0, unitPath, 1});
        return unitBytes;
    }
    IncludeCache ownCache;
    Expander expander(unitPath, projectFolder, cache ? cache->data() : ownCache.data(), taken,
                      pieces, repeats);
    // The unit's own bytes stay as given, a byte-order mark included: the
    // scanner drops it and decides the encoding from them.
    const LexedFile unit = lexFile(unitBytes);
    bool done = false;
    QByteArray expanded;
    expanded.reserve(unitBytes.size());
    expander.expand(unit, unitPath, expanded, 0, done);
    return expanded;
}

} // namespace ink
