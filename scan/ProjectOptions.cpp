// The option files of Delphi and Lazarus projects: what they say about where
// the compiler looks for units and include files and which symbols it
// defines. Each reader keeps to what the file's own tool writes and leaves
// out, rather than guesses, what it cannot resolve here.
#include "ProjectOptions.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include "PathParts.h"
#include "ProjectReader.h"
#include "SourceText.h"
#include "store/RegularFile.h"

namespace ink {

namespace {

// No option file comes near this; a larger one is not an option file.
constexpr qint64 optionFileLimit = 8 * 1024 * 1024;
// Real option files nest a handful of levels; deeper XML is refused rather
// than followed, so a hostile file cannot exhaust the stack.
constexpr int maxXmlDepth = 48;

// A small element tree: the option files are read by paths through it, and
// the files are small.
struct XmlNode {
    QString name;
    QList<std::pair<QString, QString>> attributes;
    QString text;
    QList<XmlNode> children;

    QString attribute(QLatin1StringView key) const {
        for (const auto& [name, value] : attributes)
            if (name.compare(key, Qt::CaseInsensitive) == 0)
                return value;
        return {};
    }
    const XmlNode* child(QLatin1StringView childName) const {
        for (const XmlNode& node : children)
            if (node.name.compare(childName, Qt::CaseInsensitive) == 0)
                return &node;
        return nullptr;
    }
    // The Value attribute of the element at `path` ("SearchPaths/OtherUnitFiles").
    QString valueAt(QLatin1StringView path) const {
        const XmlNode* node = this;
        for (const QString& part : QString(path).split(u'/')) {
            const XmlNode* next = nullptr;
            for (const XmlNode& child : node->children)
                if (child.name.compare(part, Qt::CaseInsensitive) == 0) {
                    next = &child;
                    break;
                }
            if (!next)
                return {};
            node = next;
        }
        return node->attribute(QLatin1StringView("Value"));
    }
};

std::optional<XmlNode> parseXml(QByteArrayView bytes, QString* problem) {
    QXmlStreamReader reader(bytes.toByteArray());
    XmlNode root;
    QList<XmlNode*> open{&root};
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (open.size() > maxXmlDepth) {
                *problem = QStringLiteral("its elements nest too deep");
                return std::nullopt;
            }
            XmlNode node;
            node.name = reader.name().toString();
            for (const QXmlStreamAttribute& attribute : reader.attributes())
                node.attributes.append({attribute.name().toString(), attribute.value().toString()});
            open.last()->children.append(std::move(node));
            open.append(&open.last()->children.last());
            break;
        }
        case QXmlStreamReader::EndElement:
            open.removeLast();
            break;
        case QXmlStreamReader::Characters:
            open.last()->text += reader.text();
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        *problem = QStringLiteral("it is not well-formed XML (line %1: %2)")
                       .arg(reader.lineNumber())
                       .arg(reader.errorString());
        return std::nullopt;
    }
    if (root.children.isEmpty()) {
        *problem = QStringLiteral("it holds no XML element");
        return std::nullopt;
    }
    return std::move(root.children.first());
}

// A list that takes each value once, without regard to case, by a look-up
// per value: an option file may name tens of thousands of paths. Values
// taken out leave the list when the UniqueList goes.
class UniqueList {
public:
    explicit UniqueList(QStringList& list) : list_(list) {
        for (qsizetype i = 0; i < list_.size(); ++i)
            if (!list_[i].isEmpty())
                index_.insert(list_[i].toCaseFolded(), i);
    }
    ~UniqueList() {
        if (removed_)
            list_.removeIf([](const QString& value) { return value.isNull(); });
    }
    UniqueList(const UniqueList&) = delete;
    UniqueList& operator=(const UniqueList&) = delete;

    void append(const QString& value) {
        if (value.isEmpty())
            return;
        const QString folded = value.toCaseFolded();
        if (index_.contains(folded))
            return;
        index_.insert(folded, list_.size());
        list_.append(value);
    }
    void append(const QStringList& values) {
        for (const QString& value : values)
            append(value);
    }
    void remove(const QString& value) {
        const auto found = index_.constFind(value.toCaseFolded());
        if (found == index_.cend())
            return;
        list_[*found] = QString();
        removed_ = true;
        index_.erase(found);
    }

private:
    QStringList& list_;
    QHash<QString, qsizetype> index_; // folded value -> where it stands
    bool removed_ = false;
};

void appendUnique(QStringList& list, const QStringList& values) {
    UniqueList(list).append(values);
}

// A path as an option file writes it made absolute against `folder`; empty
// for one that names a macro this reader cannot know ($(BDS), $(LazarusDir),
// $(TargetOS)) or an environment variable.
QString resolvePath(const QString& folder, QString written) {
    written = written.trimmed();
    if (written.size() >= 2 && written.startsWith(u'"') && written.endsWith(u'"'))
        written = written.sliced(1, written.size() - 2).trimmed();
    if (written.isEmpty() || written.contains(QLatin1String("$(")) || written.contains(u'%'))
        return {};
    written.replace(u'\\', u'/');
    const bool drive = written.size() >= 2 && written[1] == u':' && written[0].isLetter();
    // A drive stays in front: ".." above a drive's root stays at the root.
    if (drive) {
        QString rest = QDir::cleanPath(u'/' + written.sliced(2));
        while (rest.startsWith(QLatin1String("/..")) && (rest.size() == 3 || rest[3] == u'/'))
            rest = rest.size() == 3 ? QStringLiteral("/") : rest.sliced(3);
        return written.first(2) + rest;
    }
    if (written.startsWith(u'/'))
        return QDir::cleanPath(written);
    // Joined as text: QDir takes a name that begins with ':' for one of the
    // program's own resources and would hand it back alone.
    return QDir::cleanPath(folder + u'/' + written);
}

void appendPaths(UniqueList& into, const QString& folder, const QString& list) {
    for (const QString& part : list.split(u';', Qt::SkipEmptyParts))
        into.append(resolvePath(folder, part));
}
void appendPaths(QStringList& into, const QString& folder, const QString& list) {
    UniqueList unique(into);
    appendPaths(unique, folder, list);
}

void appendDefines(UniqueList& into, const QString& list) {
    for (const QString& part : list.split(u';', Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        if (!name.isEmpty() && !name.contains(QLatin1String("$(")))
            into.append(name);
    }
}
void appendDefines(QStringList& into, const QString& list) {
    UniqueList unique(into);
    appendDefines(unique, list);
}

// Command-line options as the compilers take them, in a .cfg or in a
// Lazarus project's custom options: -d/-D defines, -u undefines, -U and -Fu
// unit paths, -I and -Fi include paths. Arguments may be quoted; a Delphi
// path option holds several paths separated by ';'.
struct CommandLine {
    QStringList defines;
    QStringList unitPaths;
    QStringList includePaths;
};

QStringList splitArguments(const QString& text) {
    QStringList arguments;
    QString current;
    bool quoted = false;
    bool any = false;
    for (const QChar c : text) {
        if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && c.isSpace()) {
            if (any)
                arguments.append(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        arguments.append(current);
    return arguments;
}

void readCommandLine(const QString& text, const QString& folder, bool delphi, CommandLine& into) {
    UniqueList defines(into.defines);
    UniqueList unitPaths(into.unitPaths);
    UniqueList includePaths(into.includePaths);
    for (const QString& argument : splitArguments(text)) {
        if (argument.size() < 3 || argument[0] != u'-')
            continue;
        const QChar option = argument[1];
        if (option == u'd' || (delphi && option == u'D')) {
            appendDefines(defines, argument.sliced(2));
        } else if (option == u'u' && !delphi) {
            defines.remove(argument.sliced(2));
        } else if (delphi && (option == u'U' || option == u'I')) {
            appendPaths(option == u'U' ? unitPaths : includePaths, folder, argument.sliced(2));
        } else if (!delphi && option == u'F' && argument.size() > 3) {
            const QChar kind = argument[2];
            if (kind == u'u')
                appendPaths(unitPaths, folder, argument.sliced(3));
            else if (kind == u'i')
                appendPaths(includePaths, folder, argument.sliced(3));
        }
    }
}

void setError(ProjectOptions& into, const QString& text) {
    if (into.error.isEmpty())
        into.error = text;
}

// ---- .dproj: an MSBuild project, evaluated as MSBuild evaluates properties.

// A property group or a property with the condition that guards it.
struct Property {
    QString name;
    QString condition;
    QString value;
};
struct PropertyGroup {
    QString condition;
    QList<Property> properties;
};

// MSBuild property names ignore case.
using Properties = QHash<QString, QString>;

// `$(Name)` replaced by the property's value. An unknown one is empty in a
// condition, as in MSBuild, but kept in a value, so that a path built on a
// macro of the IDE ($(BDS)) is seen as unknown rather than taken as another.
QString expand(const QString& text, const Properties& properties, bool unknownEmpty = false) {
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] == u'$' && i + 1 < text.size() && text[i + 1] == u'(') {
            const qsizetype close = text.indexOf(u')', i + 2);
            if (close < 0)
                break;
            const QString name = text.sliced(i + 2, close - i - 2).trimmed().toLower();
            const auto found = properties.constFind(name);
            if (found != properties.cend())
                out += *found;
            else if (!unknownEmpty)
                out += text.sliced(i, close - i + 1);
            i = close + 1;
        } else {
            out += text[i++];
        }
    }
    return out + text.sliced(std::min(i, text.size()));
}

// The conditions the Delphi IDE writes: quoted operands compared with == and
// != (ignoring case), joined by `and` / `or`, in parentheses. Anything else
// (a function such as Exists()) is false, which leaves the group out.
class ConditionEvaluator {
public:
    ConditionEvaluator(const QString& text, const Properties& properties)
        : text_(expand(text, properties, true)) {}

    bool value() {
        if (text_.trimmed().isEmpty())
            return true;
        const bool result = orExpression(0);
        skipSpace();
        return result && !failed_ && pos_ == text_.size();
    }

private:
    bool orExpression(int depth) {
        bool result = andExpression(depth);
        while (word(QLatin1String("or")))
            result = andExpression(depth) || result;
        return result;
    }
    bool andExpression(int depth) {
        bool result = primary(depth);
        while (word(QLatin1String("and")))
            result = primary(depth) && result;
        return result;
    }
    bool primary(int depth) {
        skipSpace();
        if (depth > 32) {
            failed_ = true;
            return false;
        }
        if (take(u'(')) {
            const bool result = orExpression(depth + 1);
            if (!take(u')'))
                failed_ = true;
            return result;
        }
        if (word(QLatin1String("not")))
            return !primary(depth + 1);
        const std::optional<QString> left = operand();
        skipSpace();
        bool equal;
        if (text_.sliced(pos_).startsWith(QLatin1String("==")))
            equal = true;
        else if (text_.sliced(pos_).startsWith(QLatin1String("!=")))
            equal = false;
        else {
            failed_ = true;
            return false;
        }
        pos_ += 2;
        const std::optional<QString> right = operand();
        if (!left || !right) {
            failed_ = true;
            return false;
        }
        return (left->trimmed().compare(right->trimmed(), Qt::CaseInsensitive) == 0) == equal;
    }
    std::optional<QString> operand() {
        skipSpace();
        if (!take(u'\''))
            return std::nullopt;
        const qsizetype close = text_.indexOf(u'\'', pos_);
        if (close < 0)
            return std::nullopt;
        QString value = text_.sliced(pos_, close - pos_);
        pos_ = close + 1;
        return value;
    }
    bool word(QLatin1StringView keyword) {
        skipSpace();
        const qsizetype end = pos_ + keyword.size();
        if (end > text_.size() ||
            QStringView(text_).sliced(pos_, keyword.size()).compare(keyword, Qt::CaseInsensitive) !=
                0)
            return false;
        if (end < text_.size() && (text_[end].isLetterOrNumber() || text_[end] == u'_'))
            return false;
        pos_ = end;
        return true;
    }
    bool take(QChar c) {
        skipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    void skipSpace() {
        while (pos_ < text_.size() && text_[pos_].isSpace())
            ++pos_;
    }

    QString text_;
    qsizetype pos_ = 0;
    bool failed_ = false;
};

bool holds(const QString& condition, const Properties& properties) {
    return ConditionEvaluator(condition, properties).value();
}

// The properties after every group, with the configuration and platform
// given as global properties (which, as in MSBuild, no group overwrites).
// `keys` are set before the first group.
Properties evaluatePass(const QList<PropertyGroup>& groups, const QString& config,
                        const QString& platform, const Properties& keys) {
    Properties properties = keys;
    QSet<QString> global;
    if (!config.isEmpty()) {
        properties.insert(QStringLiteral("config"), config);
        global.insert(QStringLiteral("config"));
    }
    if (!platform.isEmpty()) {
        properties.insert(QStringLiteral("platform"), platform);
        global.insert(QStringLiteral("platform"));
    }
    for (const PropertyGroup& group : groups) {
        if (!holds(group.condition, properties))
            continue;
        for (const Property& property : group.properties) {
            const QString key = property.name.toLower();
            if (global.contains(key) || !holds(property.condition, properties))
                continue;
            properties.insert(key, expand(property.value, properties));
        }
    }
    return properties;
}

// The IDE's files set a configuration's keys (Cfg_1, and Base through it)
// in a group that comes after the platform groups that test Base
// (Base_Win64), yet the IDE applies those to every configuration of the
// platform. So the keys the first pass sets are given to a second, and the
// values are taken from that one.
Properties evaluate(const QList<PropertyGroup>& groups, const QString& config,
                    const QString& platform) {
    static const QRegularExpression keyName(QStringLiteral("^(base|cfg_\\d+)(_\\w+)?$"));
    Properties keys;
    const Properties first = evaluatePass(groups, config, platform, {});
    for (auto it = first.cbegin(); it != first.cend(); ++it)
        if (keyName.match(it.key()).hasMatch() &&
            it.value().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            keys.insert(it.key(), it.value());
    return evaluatePass(groups, config, platform, keys);
}

ProjectConfiguration configurationFrom(const Properties& properties, const QString& folder) {
    ProjectConfiguration configuration;
    configuration.name = properties.value(QStringLiteral("config"));
    configuration.platform = properties.value(QStringLiteral("platform"));
    appendDefines(configuration.defines, properties.value(QStringLiteral("dcc_define")));
    appendPaths(configuration.unitSearchPaths, folder,
                properties.value(QStringLiteral("dcc_unitsearchpath")));
    appendPaths(configuration.includePaths, folder,
                properties.value(QStringLiteral("dcc_includepath")));
    return configuration;
}

// ---- .lpi and .lpk: Lazarus's XML configuration files.

// A Lazarus list: <Files Count="2"><Item1/><Item2/></Files> in older files,
// <Files><Item/><Item/></Files> in newer ones, <Units><Unit0/>...</Units>.
QList<const XmlNode*> listItems(const XmlNode* list) {
    QList<const XmlNode*> items;
    if (list)
        for (const XmlNode& child : list->children)
            items.append(&child);
    return items;
}

// The part of Lazarus compiler options that says where units and include
// files are and which symbols are defined.
void readLazarusCompilerOptions(const XmlNode* options, const QString& folder,
                                ProjectConfiguration& into) {
    if (!options)
        return;
    appendPaths(into.unitSearchPaths, folder,
                options->valueAt(QLatin1String("SearchPaths/OtherUnitFiles")));
    appendPaths(into.includePaths, folder,
                options->valueAt(QLatin1String("SearchPaths/IncludeFiles")));
    CommandLine custom;
    custom.defines = into.defines;
    readCommandLine(options->valueAt(QLatin1String("Other/CustomOptions")), folder, false, custom);
    into.defines = custom.defines;
    appendUnique(into.unitSearchPaths, custom.unitPaths);
    appendUnique(into.includePaths, custom.includePaths);
    if (const XmlNode* defines = options->child(QLatin1String("Defines"))) {
        UniqueList unique(into.defines);
        for (const XmlNode* define : listItems(defines))
            appendDefines(unique, define->attribute(QLatin1String("Value")));
    }
}

void takeDefault(ProjectOptions& into, const ProjectConfiguration& configuration) {
    into.unitSearchPaths = configuration.unitSearchPaths;
    into.includePaths = configuration.includePaths;
    into.defines = configuration.defines;
}

// Whether the options have the configuration `name` (for `platform`, when
// both name one), as ChooseConfiguration and a build look it up.
bool hasConfiguration(const ProjectOptions& options, const QString& name, const QString& platform) {
    for (const ProjectConfiguration& candidate : options.configurations)
        if (candidate.name.compare(name, Qt::CaseInsensitive) == 0 &&
            (platform.isEmpty() || candidate.platform.isEmpty() ||
             candidate.platform.compare(platform, Qt::CaseInsensitive) == 0))
            return true;
    return false;
}

// The configuration's name as the options write it.
QString configurationNamed(const ProjectOptions& options, const QString& name) {
    for (const ProjectConfiguration& candidate : options.configurations)
        if (candidate.name.compare(name, Qt::CaseInsensitive) == 0)
            return candidate.name;
    return name;
}

void readRequiredPackages(const XmlNode* list, ProjectOptions& into) {
    UniqueList packages(into.requiredPackages);
    for (const XmlNode* item : listItems(list))
        packages.append(item->valueAt(QLatin1String("PackageName")));
}

// A unit's source; a program's (.lpr, .dpr) is no unit, even when an
// option file lists it among the project's files.
bool isUnitFileName(const QString& name) {
    for (const char* extension : {".pas", ".pp"})
        if (name.endsWith(QLatin1String(extension), Qt::CaseInsensitive))
            return true;
    return false;
}

// Whether `name` can be a unit's name: identifiers joined by dots
// ("ChmDataProvider", "Vcl.Forms"). A name is looked for as a file in the
// project's folder, so nothing else (a separator, "..") is taken from a file.
bool isUnitName(const QString& name) {
    if (name.isEmpty() || name.size() > 255)
        return false;
    for (const QString& part : name.split(u'.')) {
        if (part.isEmpty() || part[0].isDigit())
            return false;
        for (const QChar c : part)
            if (!c.isLetterOrNumber() && c != u'_')
                return false;
    }
    return true;
}

// A listed unit with its name: the one the file's entry gives, else its
// file's base name. `seen` holds the files listed so far, case-folded.
void appendListedUnit(ProjectOptions& into, QSet<QString>& seen, const QString& file,
                      const QString& writtenName) {
    const QString written = writtenName.trimmed();
    const QString name = isUnitName(written) ? written : QFileInfo(file).completeBaseName();
    if (name.isEmpty() || seen.contains(file.toCaseFolded()))
        return; // ".pas" names no unit
    seen.insert(file.toCaseFolded());
    into.listedUnits.append(file);
    into.listedUnitNames.append(name);
}

// ---- .dof and .cfg

// The value of `key` in the INI section `section` of a .dof.
QString iniValue(const QString& text, QLatin1StringView section, QLatin1StringView key) {
    bool inSection = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'[')) {
            inSection =
                line.endsWith(u']') &&
                line.sliced(1, line.size() - 2).trimmed().compare(section, Qt::CaseInsensitive) ==
                    0;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inSection && equals > 0 &&
            line.first(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return line.sliced(equals + 1).trimmed().toString();
    }
    return {};
}

std::optional<QByteArray> readOptionFile(const QString& path, ProjectOptions& into) {
    bool truncated = false;
    std::optional<QByteArray> bytes = ReadSourceBytes(path, optionFileLimit, &truncated);
    if (!bytes) {
        setError(into, QStringLiteral("File ") + QDir::toNativeSeparators(path) +
                           QStringLiteral(" could not be opened."));
        return std::nullopt;
    }
    if (truncated) {
        setError(into, QStringLiteral("File ") + QDir::toNativeSeparators(path) +
                           QStringLiteral(" is too large to be a project's option file."));
        return std::nullopt;
    }
    into.optionFiles.append(path);
    return bytes;
}

// The file of that name beside `path` with another extension, matched
// without regard to case as the projects were written for; empty if none.
QString besideWithExtension(const QString& path, QLatin1StringView extension) {
    const QFileInfo info(path);
    const QString wanted = info.completeBaseName() + extension;
    const QDir folder = info.absoluteDir();
    const QString exact = folder.absolutePath() + u'/' + wanted;
    if (QFileInfo(exact).isFile())
        return exact;
    for (const QString& entry : folder.entryList(QDir::Files | QDir::Hidden))
        if (entry.compare(wanted, Qt::CaseInsensitive) == 0)
            return folder.absolutePath() + u'/' + entry;
    return {};
}

// A file named by an option file, matched without regard to case in its
// folder when the exact name is not there.
QString existingFile(const QString& absolute) {
    if (QFileInfo(absolute).isFile())
        return absolute;
    const QFileInfo info(absolute);
    const QDir folder = info.absoluteDir();
    for (const QString& entry : folder.entryList(QDir::Files | QDir::Hidden))
        if (entry.compare(info.fileName(), Qt::CaseInsensitive) == 0)
            return folder.absolutePath() + u'/' + entry;
    return {};
}

// The build mode a Lazarus session file (.lps) made active, when it names
// one of the project's modes: the IDE builds that one. The file is the
// user's, not the project's: it is not one of the option files, and one that
// cannot be read says nothing.
void takeSessionMode(const QString& lpi, ProjectOptions& into) {
    const QString lps = besideWithExtension(lpi, QLatin1String(".lps"));
    if (lps.isEmpty())
        return;
    bool truncated = false;
    const std::optional<QByteArray> bytes = ReadSourceBytes(lps, optionFileLimit, &truncated);
    if (!bytes || truncated)
        return;
    QString problem;
    const std::optional<XmlNode> root = parseXml(*bytes, &problem);
    const XmlNode* session = root ? root->child(QLatin1String("ProjectSession")) : nullptr;
    const XmlNode* modes = session ? session->child(QLatin1String("BuildModes")) : nullptr;
    const QString active = modes ? modes->attribute(QLatin1String("Active")).trimmed() : QString();
    if (!active.isEmpty() && hasConfiguration(into, active, QString()))
        into.defaultConfiguration = configurationNamed(into, active);
}

QString extensionOf(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

using Parser = void (*)(QByteArrayView, const QString&, ProjectOptions&);

bool readWith(Parser parse, const QString& path, ProjectOptions& into) {
    const std::optional<QByteArray> bytes = readOptionFile(path, into);
    if (!bytes)
        return false;
    const QString before = into.error;
    parse(*bytes, QFileInfo(path).absolutePath(), into);
    if (into.error != before && before.isEmpty())
        into.error = QStringLiteral("File ") + QDir::toNativeSeparators(path) +
                     QStringLiteral(" could not be read: ") + into.error + QLatin1Char('.');
    return into.error.isEmpty();
}

void requireMainSource(ProjectOptions& into, const QString& optionFile) {
    if (!into.error.isEmpty())
        return;
    if (into.mainSource.isEmpty()) {
        setError(into, QStringLiteral("File ") + QDir::toNativeSeparators(optionFile) +
                           QStringLiteral(" names no main source."));
        return;
    }
    const QString found = existingFile(into.mainSource);
    if (found.isEmpty()) {
        setError(into, QStringLiteral("File ") + QDir::toNativeSeparators(optionFile) +
                           QStringLiteral(" names the main source ") +
                           QDir::toNativeSeparators(into.mainSource) +
                           QStringLiteral(", which does not exist."));
        return;
    }
    into.mainSource = found;
}

} // namespace

void ParseDprojOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into) {
    into.compiler = ProjectCompiler::Delphi;
    QString problem;
    const std::optional<XmlNode> root = parseXml(bytes, &problem);
    if (!root || root->name.compare(QLatin1String("Project"), Qt::CaseInsensitive) != 0) {
        setError(into, root ? QStringLiteral("its root element is not <Project>") : problem);
        return;
    }
    QList<PropertyGroup> groups;
    QStringList configurationNames;
    QStringList platforms;
    UniqueList uniqueNames(configurationNames);
    UniqueList uniquePlatforms(platforms);
    for (const XmlNode& node : root->children) {
        if (node.name.compare(QLatin1String("PropertyGroup"), Qt::CaseInsensitive) == 0) {
            PropertyGroup group{node.attribute(QLatin1String("Condition")), {}};
            for (const XmlNode& property : node.children)
                group.properties.append({property.name,
                                         property.attribute(QLatin1String("Condition")),
                                         property.text.trimmed()});
            groups.append(std::move(group));
        } else if (node.name.compare(QLatin1String("ItemGroup"), Qt::CaseInsensitive) == 0) {
            for (const XmlNode& item : node.children)
                if (item.name.compare(QLatin1String("BuildConfiguration"), Qt::CaseInsensitive) ==
                    0) {
                    const QString name = item.attribute(QLatin1String("Include")).trimmed();
                    if (!name.isEmpty() &&
                        name.compare(QLatin1String("Base"), Qt::CaseInsensitive) != 0)
                        uniqueNames.append(name);
                }
        } else if (node.name.compare(QLatin1String("ProjectExtensions"), Qt::CaseInsensitive) ==
                   0) {
            // <BorlandProject><Platforms><Platform value="Win32">True</Platform>
            QList<const XmlNode*> pending{&node};
            for (qsizetype i = 0; i < pending.size() && i < 10000; ++i) {
                for (const XmlNode& child : pending[i]->children) {
                    if (child.name.compare(QLatin1String("Platform"), Qt::CaseInsensitive) == 0 &&
                        child.text.trimmed().compare(QLatin1String("True"), Qt::CaseInsensitive) ==
                            0)
                        uniquePlatforms.append(child.attribute(QLatin1String("value")).trimmed());
                    else
                        pending.append(&child);
                }
            }
        }
    }
    const Properties defaults = evaluate(groups, {}, {});
    const ProjectConfiguration base = configurationFrom(defaults, folder);
    takeDefault(into, base);
    const QString mainSource = defaults.value(QStringLiteral("mainsource"));
    if (!mainSource.isEmpty())
        into.mainSource = resolvePath(folder, mainSource);
    if (platforms.isEmpty())
        platforms.append(base.platform);
    for (const QString& name : configurationNames)
        for (const QString& platform : platforms)
            into.configurations.append(configurationFrom(evaluate(groups, name, platform), folder));
    // <Config Condition="'$(Config)'==''">Debug</Config> and its Platform:
    // what the IDE and MSBuild build when told nothing.
    if (!base.name.isEmpty() && hasConfiguration(into, base.name, base.platform))
        into.defaultConfiguration =
            base.platform.isEmpty() ? base.name : base.name + u'|' + base.platform;
}

void ParseLpiOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into) {
    into.compiler = ProjectCompiler::FreePascal;
    QString problem;
    const std::optional<XmlNode> root = parseXml(bytes, &problem);
    const XmlNode* project = root ? root->child(QLatin1String("ProjectOptions")) : nullptr;
    if (!project) {
        setError(into, root ? QStringLiteral("it holds no <ProjectOptions>") : problem);
        return;
    }
    // The main unit is an index into the unit list; -1 for a project
    // without one.
    // Newer versions of the IDE leave the default, 0, unwritten.
    const QString mainIndex = project->valueAt(QLatin1String("General/MainUnit"));
    bool numbered = mainIndex.isEmpty();
    const int main = numbered ? 0 : mainIndex.toInt(&numbered);
    const QList<const XmlNode*> units = listItems(project->child(QLatin1String("Units")));
    QSet<QString> listed;
    for (qsizetype i = 0; i < units.size(); ++i) {
        const QString file = resolvePath(folder, units[i]->valueAt(QLatin1String("Filename")));
        if (file.isEmpty())
            continue;
        if (numbered && i == main) {
            into.mainSource = file;
            continue;
        }
        const bool part = units[i]
                              ->valueAt(QLatin1String("IsPartOfProject"))
                              .compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
        if (part && isUnitFileName(file))
            appendListedUnit(into, listed, file, units[i]->valueAt(QLatin1String("UnitName")));
    }
    readRequiredPackages(project->child(QLatin1String("RequiredPackages")), into);

    // The project's own compiler options are its default build mode's; a
    // mode with options of its own replaces them whole, as the IDE does.
    ProjectConfiguration projectOptions;
    readLazarusCompilerOptions(root->child(QLatin1String("CompilerOptions")), folder,
                               projectOptions);
    takeDefault(into, projectOptions);
    const XmlNode* modes = project->child(QLatin1String("BuildModes"));
    QString markedDefault;
    for (const XmlNode* mode : listItems(modes)) {
        const QString name = mode->attribute(QLatin1String("Name"));
        if (name.isEmpty())
            continue;
        if (markedDefault.isEmpty() &&
            mode->attribute(QLatin1String("Default"))
                    .compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            markedDefault = name;
        ProjectConfiguration configuration;
        if (const XmlNode* own = mode->child(QLatin1String("CompilerOptions")))
            readLazarusCompilerOptions(own, folder, configuration);
        else
            configuration = projectOptions;
        configuration.name = name;
        into.configurations.append(std::move(configuration));
    }
    // The mode the IDE builds: the one its session made active (kept here
    // when the session is kept in the project file; a .lps beside it, which
    // ReadProjectOptions reads, says so otherwise), else the one marked as
    // the default.
    QString active = modes ? modes->attribute(QLatin1String("Active")).trimmed() : QString();
    if (const XmlNode* session = root->child(QLatin1String("ProjectSession"));
        active.isEmpty() && session)
        if (const XmlNode* sessionModes = session->child(QLatin1String("BuildModes")))
            active = sessionModes->attribute(QLatin1String("Active")).trimmed();
    for (const QString& name : {active, markedDefault})
        if (!name.isEmpty() && hasConfiguration(into, name, QString())) {
            into.defaultConfiguration = configurationNamed(into, name);
            break;
        }
}

void ParseLpkOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into) {
    into.compiler = ProjectCompiler::FreePascal;
    QString problem;
    const std::optional<XmlNode> root = parseXml(bytes, &problem);
    const XmlNode* package = root ? root->child(QLatin1String("Package")) : nullptr;
    if (!package) {
        setError(into, root ? QStringLiteral("it holds no <Package>") : problem);
        return;
    }
    QSet<QString> listed;
    UniqueList listedIncludeFiles(into.listedIncludeFiles);
    for (const XmlNode* item : listItems(package->child(QLatin1String("Files")))) {
        const QString file = resolvePath(folder, item->valueAt(QLatin1String("Filename")));
        if (file.isEmpty())
            continue;
        const QString type = item->valueAt(QLatin1String("Type"));
        if (type.compare(QLatin1String("Include"), Qt::CaseInsensitive) == 0)
            listedIncludeFiles.append(file);
        else if ((type.isEmpty() || type.compare(QLatin1String("Unit"), Qt::CaseInsensitive) == 0 ||
                  type.compare(QLatin1String("Main Unit"), Qt::CaseInsensitive) == 0) &&
                 isUnitFileName(file))
            appendListedUnit(into, listed, file, item->valueAt(QLatin1String("UnitName")));
    }
    readRequiredPackages(package->child(QLatin1String("RequiredPkgs")), into);
    ProjectConfiguration options;
    options.name = package->valueAt(QLatin1String("Name"));
    readLazarusCompilerOptions(package->child(QLatin1String("CompilerOptions")), folder, options);
    // The folders of the include files it lists are where its units find them.
    UniqueList includePaths(options.includePaths);
    for (const QString& include : into.listedIncludeFiles)
        includePaths.append(QFileInfo(include).path());
    takeDefault(into, options);
}

void ParseCfgOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into) {
    into.compiler = ProjectCompiler::Delphi;
    CommandLine options;
    options.defines = into.defines;
    options.unitPaths = into.unitSearchPaths;
    options.includePaths = into.includePaths;
    // One option a line; the command-line splitter takes the quotes.
    readCommandLine(DecodeSourceText(bytes), folder, true, options);
    into.defines = options.defines;
    into.unitSearchPaths = options.unitPaths;
    into.includePaths = options.includePaths;
}

void ParseDofOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into) {
    into.compiler = ProjectCompiler::Delphi;
    const QString text = DecodeSourceText(bytes);
    // Delphi's search path serves units and include files alike.
    const QString search =
        iniValue(text, QLatin1String("Directories"), QLatin1String("SearchPath"));
    appendPaths(into.unitSearchPaths, folder, search);
    appendPaths(into.includePaths, folder, search);
    appendDefines(into.defines,
                  iniValue(text, QLatin1String("Directories"), QLatin1String("Conditionals")));
}

ProjectOptions ReadProjectOptions(const QString& projectFile) {
    ProjectOptions options;
    options.projectFile = projectFile;
    const QString extension = extensionOf(projectFile);
    if (extension == QLatin1String("dproj")) {
        if (readWith(ParseDprojOptions, projectFile, options))
            requireMainSource(options, projectFile);
    } else if (extension == QLatin1String("lpi")) {
        if (readWith(ParseLpiOptions, projectFile, options)) {
            requireMainSource(options, projectFile);
            takeSessionMode(projectFile, options);
        }
    } else if (extension == QLatin1String("lpk")) {
        readWith(ParseLpkOptions, projectFile, options);
    } else {
        options.mainSource = projectFile;
        if (extension == QLatin1String("dpr"))
            options.compiler = ProjectCompiler::Delphi;
        else if (extension == QLatin1String("lpr"))
            options.compiler = ProjectCompiler::FreePascal;
        if (extension == QLatin1String("dpk")) {
            options.compiler = ProjectCompiler::Delphi;
            if (!IsRegularFile(projectFile))
                setError(options, QStringLiteral("File ") + projectFile +
                                      QStringLiteral(" could not be opened."));
            // Listed, not scanned: what the package is built against.
            appendUnique(options.requiredPackages,
                         ReadProjectUnits(projectFile, UnitsClause::Requires).units);
        }
        if (extension == QLatin1String("dpr") || extension == QLatin1String("dpk")) {
            // The IDE of each era kept the options in one of these beside
            // the project; a newer .dproj supersedes the older files.
            if (const QString dproj = besideWithExtension(projectFile, QLatin1String(".dproj"));
                !dproj.isEmpty()) {
                readWith(ParseDprojOptions, dproj, options);
                options.mainSource = projectFile;
            } else {
                for (const auto& [suffix, parse] :
                     {std::pair{QLatin1String(".cfg"), Parser(ParseCfgOptions)},
                      std::pair{QLatin1String(".dof"), Parser(ParseDofOptions)}})
                    if (const QString file = besideWithExtension(projectFile, suffix);
                        !file.isEmpty())
                        readWith(parse, file, options);
            }
        } else if (extension == QLatin1String("lpr")) {
            if (const QString lpi = besideWithExtension(projectFile, QLatin1String(".lpi"));
                !lpi.isEmpty()) {
                if (readWith(ParseLpiOptions, lpi, options))
                    takeSessionMode(lpi, options);
                options.mainSource = projectFile;
            }
        }
    }
    return options;
}

bool IsProjectFileName(const QString& path) {
    const QString extension = extensionOf(path);
    return extension == QLatin1String("dpr") || extension == QLatin1String("dpk") ||
           extension == QLatin1String("lpr") || extension == QLatin1String("lpk") ||
           extension == QLatin1String("dproj") || extension == QLatin1String("lpi");
}

void ChooseConfiguration(ProjectOptions& options, const QString& name) {
    const qsizetype bar = name.indexOf(QLatin1Char('|'));
    const QString configuration = (bar < 0 ? name : name.left(bar)).trimmed();
    const QString platform = bar < 0 ? QString() : name.mid(bar + 1).trimmed();
    if (configuration.isEmpty())
        return;
    for (const ProjectConfiguration& candidate : std::as_const(options.configurations)) {
        if (candidate.name.compare(configuration, Qt::CaseInsensitive) != 0)
            continue;
        if (!platform.isEmpty() && !candidate.platform.isEmpty() &&
            candidate.platform.compare(platform, Qt::CaseInsensitive) != 0)
            continue;
        options.unitSearchPaths = candidate.unitSearchPaths;
        options.includePaths = candidate.includePaths;
        options.defines = candidate.defines;
        return;
    }
}

} // namespace ink
