#pragma once
#include <optional>
#include <QStringList>

#include "scan/BuildConfiguration.h"

namespace ink {

// `--config NAME` and any number of `--define SYMBOL` (or NAME=NUMBER),
// taken out of a command's arguments.
struct DefinesOptions {
    bool given = false;
    QString configuration;
    QStringList defines;

    // The defines a reading follows conditional compilation with: the
    // configuration looked up in the option files of `projectFile` (see
    // BuildConfiguration.h). None when neither option was given: every
    // branch is read, as a document without a configuration reads it.
    // Throws a UserError for an unknown configuration or a project whose
    // options cannot be read.
    std::optional<BuildConfiguration> resolve(const QString& projectFile) const;
};
DefinesOptions takeDefinesOptions(QStringList& args);

// One line for standard error: what the reading decided and could not.
QString conditionalsLine(const BuildConfiguration& configuration, const ConditionalCounts& counts);

} // namespace ink
