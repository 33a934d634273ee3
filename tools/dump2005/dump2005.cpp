// tools/dump2005/dump2005.cpp
// Developer tool: prints what the 2005/2008 reader finds in a data file.
//   dump2005 FILE                  boot page, tables with columns and row counts, modules, types
//   dump2005 FILE --rows TABLE     the table's rows as grid text, one per line
//   dump2005 FILE --text MODULE    the definition text of a view, procedure, function, ...
//   dump2005 FILE --pages TABLE    the table's data pages in reading order
//   dump2005 FILE --system ID      the raw rows of a hidden base table (fixed part in hex, then
//                                  each variable column as text), to study catalog fields
// Damage found on the way is listed at the end. Exit 0, or 1 when the file cannot be read.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "engine/format2005/CDatabaseReader.h"
#include "engine/format2005/CSlotWalker.h"
#include "engine/format2005/CTypeInfo.h"
#include "engine/format2005/CUnitPages.h"
#include "engine/format2005/CValueConverter.h"

using namespace format2005;

namespace {
const char* ModuleKindText(EModuleKind eKind) {
    switch (eKind) {
        case EModuleKind::View:
            return "view";
        case EModuleKind::Procedure:
            return "procedure";
        case EModuleKind::ScalarFunction:
            return "scalar function";
        case EModuleKind::InlineFunction:
            return "inline function";
        case EModuleKind::TableFunction:
            return "table function";
        case EModuleKind::Trigger:
            return "trigger";
        case EModuleKind::Default:
            return "default";
        case EModuleKind::Rule:
            return "rule";
        case EModuleKind::CheckConstraint:
            return "check";
    }
    return "?";
}

std::string TypeText(const SColumn& column) {
    std::string strType = column.strUserType;
    if (column.IsMax())
        return strType + "(max)";
    switch (column.nTypeId) {
        case kTypeChar:
        case kTypeVarChar:
        case kTypeBinary:
        case kTypeVarBinary:
            return strType + "(" + std::to_string(column.nLength) + ")";
        case kTypeNChar:
        case kTypeNVarChar:
            return strType + "(" + std::to_string(column.nLength / 2) + ")";
        case kTypeDecimal:
        case kTypeNumeric:
            return strType + "(" + std::to_string(column.nPrecision) + "," +
                   std::to_string(column.nScale) + ")";
        case kTypeTime:
        case kTypeDateTime2:
        case kTypeDateTimeOffset:
            return strType + "(" + std::to_string(column.nScale) + ")";
        default:
            return strType;
    }
}

void PrintDamage(const CDamageList& damage) {
    if (damage.Empty())
        return;
    std::cout << "damage (" << damage.Size() << "):\n";
    for (const SDamage& d : damage.Records())
        std::cout << "  " << CDamageList::Describe(d) << "\n";
}

// Every live row of a hidden base table, read through its clustered unit (or its heap unit).
void PrintSystemRows(const CDatabaseReader& db, std::int32_t nObject) {
    const auto& mapUnits = db.Catalog().AllocUnits();
    auto it = mapUnits.find(SystemUnit(nObject, 1));
    if (it == mapUnits.end())
        it = mapUnits.find(SystemUnit(nObject, 0));
    if (it == mapUnits.end()) {
        std::cerr << "no allocation unit for object " << nObject << "\n";
        return;
    }
    CDamageList damage;
    CAllocationMaps maps(db.File(), damage);
    CUnitPages pages(db.File(), maps, damage, it->first, it->second.firstIam, nObject);
    CPage page;
    for (std::uint32_t nPage : pages.Candidates()) {
        if (!pages.LoadMember(nPage, page) || page.Type() != kPageData || page.Level() != 0)
            continue;
        CSlotWalker::Walk(page, nObject, damage, [&](std::uint16_t nSlot, const CRecord& record) {
            if (record.Type() != ERecordType::Primary)
                return;
            std::printf("%u:%u ", nPage, nSlot);
            for (std::byte b : record.FixedPart())
                std::printf("%02x", static_cast<unsigned>(b));
            for (std::size_t i = 0; i < record.VariableCount(); ++i) {
                std::printf(" | ");
                if (record.IsComplex(i)) {
                    std::printf("(complex)");
                    continue;
                }
                for (std::byte b : record.Variable(i))
                    std::printf("%02x", static_cast<unsigned>(b));
                std::printf(" '%s'", CatalogRows::Narrow(record.Variable(i)).c_str());
            }
            std::printf("\n");
        });
    }
    PrintDamage(damage);
}

void PrintCatalog(const CDatabaseReader& db) {
    const CCatalog& catalog = db.Catalog();
    std::cout << "database " << catalog.Boot().DatabaseName() << ", version "
              << catalog.Boot().Version() << ", created by " << catalog.Boot().CreateVersion()
              << ", " << db.PageCount() << " pages, layout tables "
              << (catalog.LayoutTables() == ELayoutTables::RsCols2008 ? "2008"
                  : catalog.LayoutTables() == ELayoutTables::Hobt2005 ? "2005"
                                                                      : "none")
              << "\n";
    std::cout << "allocation units " << catalog.AllocUnits().size() << "\n";
    std::size_t nTotal = 0;
    for (const STable& table : catalog.Tables()) {
        CDamageList damage;
        std::size_t nLive = 0, nGhost = 0;
        SReadCounts counts = db.ReadRows(
            table,
            [&](const SRawRow& row) {
                (row.bGhost ? nGhost : nLive)++;
                return true;
            },
            damage);
        nTotal += counts.nLiveRows;
        std::cout << "table " << table.strSchema << "." << table.strName << " (id "
                  << table.nObjectId << ", " << (table.bHeap ? "heap" : "clustered")
                  << (table.IsCompressed() ? ", compressed" : "") << "): " << counts.nLiveRows
                  << " rows, " << counts.nGhostRows << " ghost, " << counts.nForwardedRows
                  << " forwarded, " << counts.nPages << " pages; catalog says "
                  << table.CatalogRows() << "\n";
        for (std::size_t i = 0; i < table.vecColumns.size(); ++i) {
            const SColumn& column = table.vecColumns[i];
            std::cout << "  " << column.nColumnId << " " << column.strName << " "
                      << TypeText(column) << (column.bNullable ? " NULL" : " NOT NULL")
                      << (column.bIdentity ? " IDENTITY" : "");
            if (column.bHasIdentityValues)
                std::cout << "(" << column.nIdentitySeed << "," << column.nIdentityIncrement << ")";
            for (const SPartition& partition : table.vecPartitions) {
                const SColumnPlace& place = partition.vecPlaces[i];
                std::cout << "  [offset " << place.nLeafOffset << " null " << place.nNullBit
                          << (partition.bLayoutDerived ? " derived" : "") << "]";
            }
            std::cout << "\n";
        }
        for (const SIndex& index : table.vecIndexes) {
            std::cout << "  index " << index.nIndexId << " " << index.strName
                      << (index.bPrimaryKey ? " PK" : "") << (index.bUnique ? " unique" : "")
                      << " keys";
            for (auto nKey : index.vecKeyColumns)
                std::cout << " " << nKey;
            std::cout << "\n";
        }
        for (const SDamage& d : damage.Records())
            std::cout << "  damage: " << CDamageList::Describe(d) << "\n";
    }
    std::cout << "rows in all tables: " << nTotal << " in " << catalog.Tables().size()
              << " tables\n";
    for (const SModule& module : catalog.Modules()) {
        std::cout << ModuleKindText(module.eKind) << " " << module.strSchema << "."
                  << module.strName << ": "
                  << (module.bTextFound ? std::to_string(module.strText.size()) + " characters"
                                        : std::string("no text"))
                  << (module.bTextComplete ? "" : " (incomplete)") << "\n";
    }
    for (const SUserType& type : catalog.UserTypes()) {
        std::cout << "type " << type.strSchema << "." << type.strName << " " << type.strBaseType
                  << " length " << type.nLength << (type.bNullable ? " NULL" : " NOT NULL") << "\n";
    }
    PrintDamage(db.CatalogDamage());
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::cerr << "usage: dump2005 FILE [--rows TABLE | --text MODULE | --pages TABLE | "
                     "--system ID]\n";
        return 2;
    }
    CDatabaseReader db;
    if (db.Open(argv[1]) != EOpenResult::Ok) {
        std::cerr << argv[1] << ": " << db.Error() << "\n";
        PrintDamage(db.CatalogDamage());
        return 1;
    }
    if (argc == 2) {
        PrintCatalog(db);
        return 0;
    }
    const std::string strOption = argv[2];
    const std::string strName = argv[3];
    if (strOption == "--system") {
        PrintSystemRows(db, std::atoi(strName.c_str()));
        return 0;
    }
    if (strOption == "--text") {
        const SModule* pModule = db.Catalog().FindModule(strName);
        if (!pModule) {
            std::cerr << "no module " << strName << "\n";
            return 1;
        }
        std::cout << pModule->strText << "\n";
        return 0;
    }
    const STable* pTable = db.Catalog().FindTable(strName);
    if (!pTable) {
        std::cerr << "no table " << strName << "\n";
        return 1;
    }
    CDamageList damage;
    if (strOption == "--pages") {
        for (std::uint32_t nPage : db.DataPages(*pTable, damage))
            std::cout << nPage << "\n";
    } else if (strOption == "--rows") {
        db.ReadRows(
            *pTable,
            [&](const SRawRow& row) {
                std::string strLine = row.bGhost ? "[deleted] " : "";
                for (std::size_t i = 0; i < row.vecValues.size(); ++i) {
                    if (i)
                        strLine += " | ";
                    strLine += CValueConverter::GridText(pTable->vecColumns[i], row.vecValues[i]);
                }
                std::cout << strLine << "\n";
                return true;
            },
            damage);
    } else {
        std::cerr << "unknown option " << strOption << "\n";
        return 2;
    }
    PrintDamage(damage);
    return 0;
}
