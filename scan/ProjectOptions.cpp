// Which option files a project has and how they are read: the project file
// the user chose, and beside a .dpr, .dpk or .lpr the files its IDE kept
// the options in. The parsers of each kind are DelphiOptionFiles.cpp and
// LazarusOptionFiles.cpp; each keeps to what the file's own tool writes and
// leaves out, rather than guesses, what it cannot resolve here.
#include "ProjectOptions.h"

#include <QDir>
#include <QFileInfo>

#include "OptionFileValues.h"
#include "ProjectReader.h"
#include "SourceText.h"
#include "store/RegularFile.h"
#include "UniqueList.h"
#include "XmlNode.h"

namespace ink {

namespace {

// No option file comes near this; a larger one is not an option file.
constexpr qint64 optionFileLimit = 8 * 1024 * 1024;

std::optional<QByteArray> readOptionFile(const QString& path, ProjectOptions& into) {
    bool truncated = false;
    std::optional<QByteArray> bytes = ReadSourceBytes(path, optionFileLimit, &truncated);
    if (!bytes) {
        KeepFirstError(into, QStringLiteral("File ") + QDir::toNativeSeparators(path) +
                                 QStringLiteral(" could not be opened."));
        return std::nullopt;
    }
    if (truncated) {
        KeepFirstError(into, QStringLiteral("File ") + QDir::toNativeSeparators(path) +
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
    const std::optional<XmlNode> root = ParseXml(*bytes, &problem);
    const XmlNode* session = root ? root->child(QLatin1String("ProjectSession")) : nullptr;
    const XmlNode* modes = session ? session->child(QLatin1String("BuildModes")) : nullptr;
    const QString active = modes ? modes->attribute(QLatin1String("Active")).trimmed() : QString();
    if (active.isEmpty())
        return;
    if (const ProjectConfiguration* found = FindConfiguration(into, active, QString()))
        into.defaultConfiguration = found->name;
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
        KeepFirstError(into, QStringLiteral("File ") + QDir::toNativeSeparators(optionFile) +
                                 QStringLiteral(" names no main source."));
        return;
    }
    const QString found = existingFile(into.mainSource);
    if (found.isEmpty()) {
        KeepFirstError(into, QStringLiteral("File ") + QDir::toNativeSeparators(optionFile) +
                                 QStringLiteral(" names the main source ") +
                                 QDir::toNativeSeparators(into.mainSource) +
                                 QStringLiteral(", which does not exist."));
        return;
    }
    into.mainSource = found;
}

} // namespace

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
                KeepFirstError(options, QStringLiteral("File ") + projectFile +
                                            QStringLiteral(" could not be opened."));
            // Listed, not scanned: what the package is built against.
            AppendUnique(options.requiredPackages,
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

std::pair<QString, QString> SplitConfigurationName(const QString& name) {
    const qsizetype bar = name.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return {name.trimmed(), QString()};
    return {name.left(bar).trimmed(), name.mid(bar + 1).trimmed()};
}

const ProjectConfiguration* FindConfiguration(const ProjectOptions& options, const QString& name,
                                              const QString& platform) {
    for (const ProjectConfiguration& candidate : options.configurations)
        if (candidate.name.compare(name, Qt::CaseInsensitive) == 0 &&
            (platform.isEmpty() || candidate.platform.isEmpty() ||
             candidate.platform.compare(platform, Qt::CaseInsensitive) == 0))
            return &candidate;
    return nullptr;
}

const ProjectConfiguration* FindConfiguration(const ProjectOptions& options, const QString& name) {
    const auto [configuration, platform] = SplitConfigurationName(name);
    if (configuration.isEmpty())
        return nullptr;
    return FindConfiguration(options, configuration, platform);
}

void TakeConfiguration(ProjectOptions& options, const ProjectConfiguration& configuration) {
    options.unitSearchPaths = configuration.unitSearchPaths;
    options.includePaths = configuration.includePaths;
    options.defines = configuration.defines;
}

void ChooseConfiguration(ProjectOptions& options, const QString& name) {
    if (const ProjectConfiguration* chosen = FindConfiguration(options, name))
        TakeConfiguration(options, *chosen);
}

} // namespace ink
