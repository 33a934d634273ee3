// engine/catalog/CViewStoredProc.h
#pragma once

#include <cstdint>
#include <string>

#include "common/Export.h"

// A view, stored procedure, rule, trigger or function with its definition text.
class AMBERMILL_API CViewStoredProc {
  public:
    std::string m_strName;
    std::string m_strSchema;      // the owning schema ("dbo"); empty where the format has none
    std::uint16_t m_nNumber = 0;  // syscomments number of the last chunk read
    std::uint16_t m_nColId = 0;   // syscomments colid of the last chunk read
    std::string m_strText;
    std::int32_t m_nObjectId = 0;  // not saved in the scan file (its key carries the id)
};
