#include "DefinesOptions.h"

#include "scan/ProjectOptions.h"
#include "store/UserError.h"
#include "ToolStore.h"

namespace ink {

DefinesOptions takeDefinesOptions(QStringList& args) {
    DefinesOptions options;
    if (args.contains(QStringLiteral("--config"))) {
        options.configuration = takeOption(args, QStringLiteral("--config"));
        // Without its value "--config" stays: the command's usage says what is wrong.
        options.given = !options.configuration.isEmpty();
    }
    while (args.contains(QStringLiteral("--define"))) {
        const QString define = takeOption(args, QStringLiteral("--define"));
        if (define.isEmpty())
            break;
        options.defines << define;
        options.given = true;
    }
    return options;
}

std::optional<BuildConfiguration> DefinesOptions::resolve(const QString& projectFile) const {
    if (!given)
        return std::nullopt;
    // A unit file alone has no options: its configuration can only be a
    // target, and its extension tells the compiler.
    ProjectOptions options;
    if (IsProjectFileName(projectFile)) {
        options = ReadProjectOptions(projectFile);
        if (!options.error.isEmpty())
            throw UserError(options.error);
    } else {
        options.projectFile = projectFile;
    }
    return configuration.isEmpty() ? DefaultConfiguration(options, defines)
                                   : ResolveConfiguration(options, configuration, defines);
}

QString conditionalsLine(const BuildConfiguration& configuration, const ConditionalCounts& counts) {
    return ConditionalsSummary(configuration, counts);
}

} // namespace ink
