// engine/format2000/CSysTypesReader.cpp
#include "engine/format2000/CSysTypesReader.h"

#include "engine/catalog/CatalogText.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/format2000/CSysObjectsReader.h"

namespace {
constexpr std::size_t kBaseTypeOffset = 4;
constexpr std::size_t kUserTypeOffset = 6;
constexpr std::size_t kLengthOffset = 8;
constexpr std::size_t kPrecisionOffset = 10;
constexpr std::size_t kScaleOffset = 11;
constexpr std::size_t kValue1Offset = 13;
constexpr std::size_t kValue2Offset = 25;
constexpr std::size_t kMaxFixedEnd = 500;
constexpr std::size_t kMaxColumns = 40;
// User type ids up to 256 are the system's own (256 is sysname; timestamp has its own id).
constexpr std::uint16_t kLastSystemTypeId = 256;
}  // namespace

std::optional<SDamage> CSysTypesReader::ReadRow(const CByteView& dataArea,
                                                std::uint16_t nRowOffset) {
    auto damaged = [](const char* pszWhy) { return CatalogRowDamage("systypes", pszWhy); };
    const std::size_t nRow = nRowOffset;
    auto nFixedEnd = dataArea.U16(nRow + 2);
    auto nBase = dataArea.U8(nRow + kBaseTypeOffset);
    auto nUserType = dataArea.U16(nRow + kUserTypeOffset);
    auto nLength = dataArea.U16(nRow + kLengthOffset);
    auto nPrecision = dataArea.U8(nRow + kPrecisionOffset);
    auto nScale = dataArea.U8(nRow + kScaleOffset);
    auto nValue1 = dataArea.I32(nRow + kValue1Offset);
    auto nValue2 = dataArea.I32(nRow + kValue2Offset);
    if (!nFixedEnd || !nBase || !nUserType || !nLength || !nPrecision || !nScale || !nValue1 ||
        !nValue2)
        return damaged("it runs past the page");
    if (*nFixedEnd > kMaxFixedEnd)
        return damaged("its fixed part is longer than a row");
    if (*nUserType <= kLastSystemTypeId || *nUserType == *nBase)
        return std::nullopt;

    auto nCount = dataArea.U16(nRow + *nFixedEnd);
    if (!nCount || *nCount > kMaxColumns)
        return damaged("its column count is impossible");
    auto name = LocateSingleName(dataArea, nRow, *nFixedEnd, *nCount);
    if (!name)
        return damaged("its type name cannot be located");

    auto pType = std::make_unique<CUserType>();
    pType->m_nBaseType = *nBase;
    pType->m_nLength = *nLength;
    pType->m_nPrecision = *nPrecision;
    pType->m_nScale = *nScale;
    pType->m_nValue1 = *nValue1;
    pType->m_nValue2 = *nValue2;
    pType->m_strName = CatalogText::NonZeroOrOneBytes(*dataArea.Slice(name->nStart, name->nLength));
    m_engine.m_mapUserTypes.Set(std::to_string(*nUserType), std::move(pType));
    return std::nullopt;
}
