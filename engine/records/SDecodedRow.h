// engine/records/SDecodedRow.h
#pragma once

#include <cstdint>
#include <vector>

#include "common/Export.h"
#include "engine/records/CTypedValue.h"

// One decoded data row: a typed value per column record, in column order.
struct AMBERMILL_API SDecodedRow {
    std::vector<CTypedValue> vecValues;
    bool bDeleted = false;   // a ghost record
    std::uint16_t nEnd = 0;  // end of the variable block, from the data area start; 0 without one
};
