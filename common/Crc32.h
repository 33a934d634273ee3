// common/Crc32.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/Export.h"

// CRC-32 (the polynomial of zip and PNG, reflected, 0xEDB88320): the checksum scan files end
// with. Fed piece by piece; Value() is the checksum of everything fed so far.
class AMBERMILL_API CCrc32 {
  public:
    void Update(std::span<const std::byte> bytes);
    std::uint32_t Value() const { return ~m_nState; }

    static std::uint32_t Of(std::span<const std::byte> bytes);

  private:
    std::uint32_t m_nState = 0xFFFFFFFFu;
};
