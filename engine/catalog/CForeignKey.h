// engine/catalog/CForeignKey.h
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/Export.h"

// A foreign key of a table: its columns reference the key columns of another table.
class AMBERMILL_API CForeignKey {
  public:
    enum class EAction : std::uint8_t { NoAction, Cascade, SetNull, SetDefault };

    std::string m_strName;
    std::int32_t m_nObjectId = 0;
    std::vector<std::string> m_vecColumns;  // in key order; an empty name was not found
    std::int32_t m_nReferencedObjectId = 0;
    std::string m_strReferencedTable;  // empty when the referenced table was not recovered
    // Its schema where the format has one (not kept in scan files: empty after reopening one).
    std::string m_strReferencedSchema;
    std::vector<std::string> m_vecReferencedColumns;
    EAction m_eOnDelete = EAction::NoAction;
    EAction m_eOnUpdate = EAction::NoAction;
    bool m_bDisabled = false;  // not enforced (NOCHECK)

    // "NO ACTION", "CASCADE", "SET NULL", "SET DEFAULT".
    static const char* ActionText(EAction eAction);
};
