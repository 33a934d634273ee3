// engine/catalog/CIndexInfo.h
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/Export.h"

// An index or key of a table, or a default object (then only the id and the text are filled).
class AMBERMILL_API CIndexInfo {
  public:
    std::int32_t m_nValue = 0;
    std::array<bool, 9> m_arrFlags{};
    std::int32_t m_nObjectId = 0;
    std::string m_strName;
    std::string m_strText;
    std::vector<std::int32_t> m_vecKeyColumns;  // not saved in the scan file
};
