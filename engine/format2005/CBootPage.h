// engine/format2005/CBootPage.h
#pragma once

#include <cstdint>
#include <string>

#include "engine/format2005/CPage.h"

namespace format2005 {

// Version stamps of the boot page.
inline constexpr std::uint16_t kVersion2005 = 611;
inline constexpr std::uint16_t kVersion2005Sp2 = 612;
inline constexpr std::uint16_t kVersion2008 = 655;
inline constexpr std::uint16_t kVersion2008R2 = 661;

// The fields of the boot page (page 9) these readers use.
class CBootPage {
  public:
    // Boot page record (DBINFO) fields, as page offsets.
    static constexpr std::size_t kVersionOffset = 100;        // u16
    static constexpr std::size_t kCreateVersionOffset = 102;  // u16
    static constexpr std::size_t kNameOffset = 148;           // nchar(128), UTF-16LE
    static constexpr std::size_t kNameBytes = 256;
    static constexpr std::size_t kFirstAllocUnitPageOffset = 612;  // page id

    // Reads the fields from a loaded boot page. False when the page is not a boot page (the
    // fields are then left empty).
    bool Parse(const CPage& page);

    std::uint16_t Version() const { return m_nVersion; }
    std::uint16_t CreateVersion() const { return m_nCreateVersion; }
    // The database name as 8-bit text (characters above 255 become '?').
    const std::string& DatabaseName() const { return m_strName; }
    // First page of the allocation-unit table.
    SPageId FirstAllocUnitPage() const { return m_firstAllocUnitPage; }

    // True for the stamps whose catalog has the 2008 layout (sysrscols, wider rowset rows).
    static bool Has2008Catalog(std::uint16_t nVersion) { return nVersion >= 640; }
    // The name field is UTF-16 padded with 0x20 bytes (U+2020), spaces or zeros: the text up to
    // the padding.
    static std::string NameFromField(std::span<const std::byte> field);

  private:
    std::uint16_t m_nVersion = 0;
    std::uint16_t m_nCreateVersion = 0;
    std::string m_strName;
    SPageId m_firstAllocUnitPage;
};

}  // namespace format2005
