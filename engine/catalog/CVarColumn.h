// engine/catalog/CVarColumn.h
#pragma once

#include <cstdint>
#include <string>

#include "common/Export.h"

// One variable-length column of a table, in the order the catalog listed it.
class AMBERMILL_API CVarColumn {
  public:
    std::string m_strName;
    std::string m_strExtra;  // saved in the scan file, otherwise unused
    std::string m_strType;
    std::uint16_t m_nOrder = 0;
    std::uint16_t m_nLength = 0;
    std::int32_t m_nExtra = 0;  // saved in the scan file, otherwise unused
    std::int16_t m_nOffset = 0;
};
