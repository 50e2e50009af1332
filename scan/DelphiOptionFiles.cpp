// The option files of Delphi projects: a .dproj (an MSBuild project, since
// Delphi 2007), and before it a .cfg (the command-line compiler's options)
// and a .dof (the IDE's INI file). Declared in ProjectOptions.h.
#include <QStringView>

#include "CompilerCommandLine.h"
#include "MsBuildProperties.h"
#include "OptionFileValues.h"
#include "ProjectOptions.h"
#include "SourceText.h"
#include "UniqueList.h"
#include "XmlNode.h"

namespace ink {

namespace {

bool named(const XmlNode& node, const char* name) {
    return node.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

// What a .dproj holds for its evaluation: the property groups in file
// order, the configurations it builds (Base, the one every other inherits
// from, left out) and the platforms it enables.
struct DprojParts {
    QList<MsBuildPropertyGroup> groups;
    QStringList configurationNames;
    QStringList platforms;
};

MsBuildPropertyGroup propertyGroup(const XmlNode& node) {
    MsBuildPropertyGroup group{node.attribute(QLatin1String("Condition")), {}};
    for (const XmlNode& property : node.children)
        group.properties.append({property.name, property.attribute(QLatin1String("Condition")),
                                 property.text.trimmed()});
    return group;
}

// <ItemGroup><BuildConfiguration Include="Debug"/></ItemGroup>
void appendConfigurationNames(const XmlNode& itemGroup, UniqueList& names) {
    for (const XmlNode& item : itemGroup.children) {
        if (!named(item, "BuildConfiguration"))
            continue;
        const QString name = item.attribute(QLatin1String("Include")).trimmed();
        if (!name.isEmpty() && name.compare(QLatin1String("Base"), Qt::CaseInsensitive) != 0)
            names.append(name);
    }
}

// <BorlandProject><Platforms><Platform value="Win32">True</Platform>, at
// whatever depth under <ProjectExtensions>; the walk is bounded, as the file
// may be hostile.
void appendEnabledPlatforms(const XmlNode& extensions, UniqueList& platforms) {
    QList<const XmlNode*> pending{&extensions};
    for (qsizetype i = 0; i < pending.size() && i < 10000; ++i) {
        for (const XmlNode& child : pending[i]->children) {
            if (named(child, "Platform") &&
                child.text.trimmed().compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
                platforms.append(child.attribute(QLatin1String("value")).trimmed());
            else
                pending.append(&child);
        }
    }
}

DprojParts readDprojParts(const XmlNode& project) {
    DprojParts parts;
    { // the unique lists are done with their lists before these are handed on
        UniqueList names(parts.configurationNames);
        UniqueList platforms(parts.platforms);
        for (const XmlNode& node : project.children) {
            if (named(node, "PropertyGroup"))
                parts.groups.append(propertyGroup(node));
            else if (named(node, "ItemGroup"))
                appendConfigurationNames(node, names);
            else if (named(node, "ProjectExtensions"))
                appendEnabledPlatforms(node, platforms);
        }
    }
    return parts;
}

ProjectConfiguration configurationFrom(const MsBuildProperties& properties, const QString& folder) {
    ProjectConfiguration configuration;
    configuration.name = properties.value(QStringLiteral("config"));
    configuration.platform = properties.value(QStringLiteral("platform"));
    AppendOptionDefines(configuration.defines, properties.value(QStringLiteral("dcc_define")));
    AppendOptionPaths(configuration.unitSearchPaths, folder,
                      properties.value(QStringLiteral("dcc_unitsearchpath")));
    AppendOptionPaths(configuration.includePaths, folder,
                      properties.value(QStringLiteral("dcc_includepath")));
    return configuration;
}

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

} // namespace

void ParseDprojOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into) {
    into.compiler = ProjectCompiler::Delphi;
    QString problem;
    const std::optional<XmlNode> root = ParseXml(bytes, &problem);
    if (!root || !named(*root, "Project")) {
        KeepFirstError(into, root ? QStringLiteral("its root element is not <Project>") : problem);
        return;
    }
    DprojParts parts = readDprojParts(*root);
    const MsBuildProperties defaults = EvaluateMsBuildProperties(parts.groups, {}, {});
    const ProjectConfiguration base = configurationFrom(defaults, folder);
    TakeConfiguration(into, base);
    const QString mainSource = defaults.value(QStringLiteral("mainsource"));
    if (!mainSource.isEmpty())
        into.mainSource = ResolveOptionPath(folder, mainSource);
    if (parts.platforms.isEmpty())
        parts.platforms.append(base.platform);
    for (const QString& name : parts.configurationNames)
        for (const QString& platform : parts.platforms)
            into.configurations.append(
                configurationFrom(EvaluateMsBuildProperties(parts.groups, name, platform), folder));
    // <Config Condition="'$(Config)'==''">Debug</Config> and its Platform:
    // what the IDE and MSBuild build when told nothing.
    if (!base.name.isEmpty() && FindConfiguration(into, base.name, base.platform))
        into.defaultConfiguration =
            base.platform.isEmpty() ? base.name : base.name + u'|' + base.platform;
}

void ParseCfgOptions(QByteArrayView bytes, const QString& folder, ProjectOptions& into) {
    into.compiler = ProjectCompiler::Delphi;
    CompilerCommandLine options;
    options.defines = into.defines;
    options.unitPaths = into.unitSearchPaths;
    options.includePaths = into.includePaths;
    // One option a line; the command-line splitter takes the quotes.
    ReadCompilerCommandLine(DecodeSourceText(bytes), folder, true, options);
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
    AppendOptionPaths(into.unitSearchPaths, folder, search);
    AppendOptionPaths(into.includePaths, folder, search);
    AppendOptionDefines(
        into.defines, iniValue(text, QLatin1String("Directories"), QLatin1String("Conditionals")));
}

} // namespace ink
