// engine/catalog/CUserType.h
#pragma once

#include <cstdint>
#include <string>

#include "common/Export.h"

// A user-defined data type (one systypes row whose user type id is above 256).
class AMBERMILL_API CUserType {
  public:
    std::uint8_t m_nBaseType = 0;
    std::uint16_t m_nLength = 0;
    std::uint8_t m_nPrecision = 0;
    std::uint8_t m_nScale = 0;
    std::int32_t m_nValue1 = 0;  // systypes bytes 13..16, kept in the scan file
    std::int32_t m_nValue2 = 0;  // systypes bytes 25..28, kept in the scan file
    std::string m_strName;
    std::string m_strSchema;  // the owning schema ("dbo"); empty where the format has none
};
