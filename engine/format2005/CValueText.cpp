// engine/format2005/CValueText.cpp
#include "engine/format2005/CValueText.h"

#include "engine/catalog/CColumnInfo.h"
#include "engine/format2005/CDateTime2008.h"
#include "engine/format2005/CTypeInfo.h"
#include "engine/records/CValueRenderer.h"

namespace format2005 {

std::string CValueText::GridText(const SColumn& column, const SRawValue& value) {
    switch (value.eState) {
        case EValueState::Null:
            return "NULL";
        case EValueState::NotStored:
            return "FORMULA";
        case EValueState::Corrupt:
            return "Corrupt";
        case EValueState::Unreadable:
            return "Empty";
        case EValueState::NotDecoded:
            return "<not decoded>";
        case EValueState::Value:
        case EValueState::Truncated:
            break;
    }
    const auto& bytes = value.vecBytes;
    std::optional<std::string> strDate;
    switch (column.nTypeId) {
        case kTypeDate:
            strDate = CDateTime2008::DateText(bytes);
            return strDate.value_or("Corrupt");
        case kTypeTime:
            strDate = CDateTime2008::TimeText(bytes, column.nScale);
            return strDate.value_or("Corrupt");
        case kTypeDateTime2:
            strDate = CDateTime2008::DateTime2Text(bytes, column.nScale);
            return strDate.value_or("Corrupt");
        case kTypeDateTimeOffset:
            strDate = CDateTime2008::DateTimeOffsetText(bytes, column.nScale);
            return strDate.value_or("Corrupt");
        case kTypeClr:
            return "0x" + CValueRenderer::HexText(bytes);
        default:
            break;
    }
    const EColumnType eType = CValueRenderer::Classify(column.strType);
    CColumnInfo info;
    info.m_strName = column.strName;
    info.m_strType = column.strType;
    info.m_nPrecision = column.nPrecision;
    info.m_nScale = column.nScale;
    if (!CTypeInfo::IsVariable(column.nTypeId)) {
        // The row decoder already took a bit column's bit out of its byte.
        if (bytes.size() < CValueRenderer::FixedSize(eType, bytes.size()))
            return "Corrupt";
        return CValueRenderer::RenderFixed(eType, bytes, info, false).m_strText;
    }
    if (value.bOffRow)
        return CValueRenderer::RenderFromPointer(eType, bytes, false).m_strText;
    return CValueRenderer::RenderInRow(eType, bytes, false).m_strText;
}

}  // namespace format2005
