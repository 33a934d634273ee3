// engine/catalog/CCheckConstraint.h
#pragma once

#include <cstdint>
#include <string>

#include "common/Export.h"

// A check constraint of a table.
class AMBERMILL_API CCheckConstraint {
  public:
    std::string m_strName;
    std::int32_t m_nObjectId = 0;
    std::string m_strText;     // the condition as stored, e.g. "([Quantity] > 0)"; empty if lost
    bool m_bDisabled = false;  // not enforced (added or later set WITH NOCHECK)
};
