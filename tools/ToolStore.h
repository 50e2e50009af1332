#pragma once
#include <memory>
#include <QString>
#include <QTemporaryDir>

#include "store/TDM1.h"

namespace ink {

class AliasRegistry;

// The documentation store of a data directory, opened for one command-line
// run. The alias lives only in memory: a script's store never re-points the
// user's own "Quillmark".
class ToolStore {
public:
    enum class Missing { Create, Refuse };
    // Opens the store of `dataDirectory`. Only a build creates the directory
    // and the tables when missing; every other command is refused there, with
    // nothing made. Throws UserError.
    explicit ToolStore(const QString& dataDirectory, Missing missing = Missing::Refuse);
    ~ToolStore();
    TDM1& dm() { return *dm_; }

private:
    QTemporaryDir scratch_;
    std::shared_ptr<AliasRegistry> registry_;
    std::unique_ptr<TDM1> dm_;
};

// The value following `option` in `args` ("--data DIR"), removed from the
// list with it; empty when absent.
QString takeOption(QStringList& args, const QString& option);

} // namespace ink
