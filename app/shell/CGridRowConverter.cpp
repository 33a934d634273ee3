// app/shell/CGridRowConverter.cpp
#include "app/shell/CGridRowConverter.h"

namespace {
// The grid text of Unicode text outside the one-byte range.
constexpr std::string_view kNotNarrowed = "?????";

// Whether narrowing the stored bytes for the grid leaves nothing: the grid then shows "Empty" or
// the column's default in place of the value. Narrowing keeps the low byte of each character and
// drops padding (zero bytes, and in-row also the bytes 1 and 2).
bool NarrowsToNothing(const CTypedValue& value, bool bDropControls) {
    for (std::byte b : value.Bytes()) {
        const auto n = static_cast<std::uint8_t>(b);
        if (bDropControls ? n > 2 : n != 0)
            return false;
    }
    return true;
}

bool ShowsDefault(const CTypedValue& value, const SColumnFormat& format,
                  const std::string& strText) {
    return value.m_bDefaultable && !format.strDefault.empty() && strText == format.strDefault;
}
}  // namespace

SGridRow CGridRowConverter::FromDecodedRow(const SDecodedRow& row,
                                           const std::vector<SColumnFormat>& vecFormats) {
    SGridRow out;
    out.bDeleted = row.bDeleted;
    const std::size_t nCount = std::min(row.vecValues.size(), vecFormats.size());
    out.vecValues.reserve(nCount);
    for (std::size_t i = 0; i < nCount; ++i)
        out.vecValues.push_back(FromTypedValue(row.vecValues[i], vecFormats[i]));
    return out;
}

SGridValue CGridRowConverter::FromTypedValue(const CTypedValue& value,
                                             const SColumnFormat& format) {
    SGridValue out;
    CValueFormat::AppendGridText(value, format, out.strText);
    out.eKind = KindOf(value, format, out.strText);
    if (value.m_eKind == EValueKind::Binary) {
        out.bHasBytes = true;
        out.strBytes.assign(value.TextView());
    } else if (value.m_eKind == EValueKind::UnicodeText && out.strText == kNotNarrowed) {
        out.bUtf16Text = true;
        out.strBytes.assign(value.TextView());
    }
    return out;
}

EGridValueKind CGridRowConverter::KindOf(const CTypedValue& value, const SColumnFormat& format,
                                         const std::string& strText) {
    switch (value.m_eKind) {
        case EValueKind::Null:
            return CValueFormat::IsGridNull(value, format) ? EGridValueKind::Null
                                                           : EGridValueKind::Default;
        case EValueKind::Missing:
            return ShowsDefault(value, format, strText) ? EGridValueKind::Default
                                                        : EGridValueKind::Missing;
        case EValueKind::EmptyString:
            return EGridValueKind::EmptyString;
        case EValueKind::Corrupt:
            return EGridValueKind::Corrupt;
        case EValueKind::Formula:
            return EGridValueKind::Formula;
        case EValueKind::Deleted:
            return EGridValueKind::DroppedColumn;
        case EValueKind::LargeValue:
            return EGridValueKind::BinaryNotRead;
        case EValueKind::UnicodeText:
            // A value that narrows to nothing is shown as empty (or as the default); a stored
            // text that reads "Empty" is a value like any other.
            if (strText != kNotNarrowed && NarrowsToNothing(value, value.m_bInRow)) {
                return ShowsDefault(value, format, strText) ? EGridValueKind::Default
                                                            : EGridValueKind::EmptyString;
            }
            return EGridValueKind::Value;
        case EValueKind::Binary:
            if (value.m_bInRow && format.eType != EColumnType::Binary &&
                format.eType != EColumnType::Timestamp && strText == "Empty" &&
                NarrowsToNothing(value, true)) {
                return EGridValueKind::EmptyString;
            }
            return EGridValueKind::Value;
        default:
            return EGridValueKind::Value;
    }
}
