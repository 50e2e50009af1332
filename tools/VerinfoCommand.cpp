// inkwright-tool verinfo FILE: the version strings of a Windows executable or
// library, one line each: key in the version resource, tab, value. The ten
// keys come in the order a capture reads them; a missing string is an empty
// value, so the output always has ten lines.
#include "components/FormMisc.h"
#include "store/RegularFile.h"
#include "ToolCommand.h"

#include <QFileInfo>

using namespace ink;

namespace {
// A value with a line break would break the one-line-per-key promise.
QString OneLine(QString value) {
    return value.replace(u'\r', u' ').replace(u'\n', u' ').replace(u'\t', u' ');
}

int RunVerinfo(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 1) {
        err << "usage: inkwright-tool verinfo FILE\n";
        return 2;
    }
    const QFileInfo file(args.first());
    if (!IsRegularFile(file.filePath())) {
        err << "inkwright-tool verinfo: no such file: " << args.first() << '\n';
        return 1;
    }
    TFormMisc formMisc;
    formMisc.setFileName(file.absoluteFilePath());
    for (const auto& [key, value] : formMisc.versionStrings())
        out << key << '\t' << OneLine(value) << '\n';
    return 0;
}

const ToolCommandRegistration registration({
    QStringLiteral("verinfo"),
    QStringLiteral("verinfo FILE            list the version strings of a Windows program"),
    RunVerinfo,
});
} // namespace
