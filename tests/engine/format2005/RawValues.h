// tests/engine/format2005/RawValues.h
#pragma once

#include <cstdint>
#include <string>

#include "common/ByteView.h"
#include "engine/format2005/CRowDecoder.h"
#include "engine/format2005/CTypeInfo.h"
#include "engine/format2005/CatalogRows.h"

// Test-side readings of raw values, independent of any renderer, to compare against the inserted
// values of the creation scripts.
namespace RawValues {

inline std::int64_t Integer(const format2005::SRawValue& value) {
    CByteView view(value.vecBytes);
    switch (value.vecBytes.size()) {
        case 1:
            return *view.U8(0);
        case 2:
            return *view.I16(0);
        case 4:
            return *view.I32(0);
        case 8:
            return *view.I64(0);
        default:
            return INT64_MIN;
    }
}

// Character data as 8-bit text: UTF-16 types narrowed, single-byte types as stored.
inline std::string Text(const format2005::SRawValue& value) {
    using namespace format2005;
    if (value.nTypeId == kTypeNVarChar || value.nTypeId == kTypeNChar ||
        value.nTypeId == kTypeNText)
        return CatalogRows::Narrow(value.vecBytes);
    std::string strText;
    for (std::byte b : value.vecBytes)
        strText += static_cast<char>(b);
    return strText;
}

}  // namespace RawValues
