#pragma once
#include <memory>
#include <QString>

#include "store/StoreAddress.h"
#include "tests/support/TempDir.h"

namespace ink {
class AliasRegistry;
class TDM1;
} // namespace ink

// A document built from real project and unit files by the document build,
// in Inkwright's own store: "BOOKS", with a unit of a few routines (one
// whose parameters run far past the store's 50 characters), a unit that
// declares none, and a unit of enough routines to fill several pages. A few
// routines have descriptions.
class BuiltDocument {
public:
    explicit BuiltDocument(int manyRoutines = 150);
    ~BuiltDocument();

    QString dataDir() const { return dataDir_; }
    QString databaseFile() const;
    ink::StoreAddress address() const { return ink::StoreAddress::local(dataDir_); }
    qint32 docNo() const { return docNo_; }
    const TempDir& temp() const { return temp_; }

    // The long declaration as written in Ledger.pas, blanks folded.
    static QString longDeclaration();

private:
    TempDir temp_;
    QString dataDir_;
    std::shared_ptr<ink::AliasRegistry> registry_;
    std::unique_ptr<ink::TDM1> dm_;
    qint32 docNo_ = 0;
};
