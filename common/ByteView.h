// common/ByteView.h
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

#include "common/Export.h"

// A non-owning, bounds-checked little-endian reader over untrusted bytes (pages, rows, scan files).
// Every accessor returns std::nullopt instead of reading past the end, so a damaged offset can
// never become undefined behaviour; callers decide whether that is damage or a missing value.
class AMBERMILL_API CByteView {
  public:
    CByteView() = default;
    explicit CByteView(std::span<const std::byte> bytes) : m_bytes(bytes) {}

    std::size_t Size() const { return m_bytes.size(); }
    std::span<const std::byte> Bytes() const { return m_bytes; }

    // True when [nOffset, nOffset + nLength) lies inside the view. Written in remaining-length form
    // so that huge values from the data cannot wrap around.
    bool Has(std::size_t nOffset, std::size_t nLength) const {
        return nOffset <= m_bytes.size() && nLength <= m_bytes.size() - nOffset;
    }

    std::optional<std::uint8_t> U8(std::size_t nOffset) const {
        if (!Has(nOffset, 1))
            return std::nullopt;
        return static_cast<std::uint8_t>(m_bytes[nOffset]);
    }
    std::optional<std::uint16_t> U16(std::size_t nOffset) const {
        if (!Has(nOffset, 2))
            return std::nullopt;
        return static_cast<std::uint16_t>(Load(nOffset, 2));
    }
    std::optional<std::uint32_t> U32(std::size_t nOffset) const {
        if (!Has(nOffset, 4))
            return std::nullopt;
        return static_cast<std::uint32_t>(Load(nOffset, 4));
    }
    std::optional<std::uint64_t> U64(std::size_t nOffset) const {
        if (!Has(nOffset, 8))
            return std::nullopt;
        return Load(nOffset, 8);
    }
    std::optional<std::int16_t> I16(std::size_t nOffset) const {
        auto n = U16(nOffset);
        if (!n)
            return std::nullopt;
        return static_cast<std::int16_t>(*n);
    }
    std::optional<std::int32_t> I32(std::size_t nOffset) const {
        auto n = U32(nOffset);
        if (!n)
            return std::nullopt;
        return static_cast<std::int32_t>(*n);
    }
    std::optional<std::int64_t> I64(std::size_t nOffset) const {
        auto n = U64(nOffset);
        if (!n)
            return std::nullopt;
        return static_cast<std::int64_t>(*n);
    }

    // The sub-range [nOffset, nOffset + nLength), or std::nullopt when it leaves the view.
    std::optional<std::span<const std::byte>> Slice(std::size_t nOffset,
                                                    std::size_t nLength) const {
        if (!Has(nOffset, nLength))
            return std::nullopt;
        return m_bytes.subspan(nOffset, nLength);
    }

    // Little-endian value of nWidth bytes (1..8) at nOffset. REQUIRES: Has(nOffset, nWidth).
    std::uint64_t Load(std::size_t nOffset, std::size_t nWidth) const {
        if constexpr (std::endian::native == std::endian::little) {
            // The host's own order: a plain copy, for the widths fields have.
            switch (nWidth) {
                case 2: {
                    std::uint16_t n = 0;
                    std::memcpy(&n, m_bytes.data() + nOffset, 2);
                    return n;
                }
                case 4: {
                    std::uint32_t n = 0;
                    std::memcpy(&n, m_bytes.data() + nOffset, 4);
                    return n;
                }
                case 8: {
                    std::uint64_t n = 0;
                    std::memcpy(&n, m_bytes.data() + nOffset, 8);
                    return n;
                }
                default:
                    break;
            }
        }
        std::uint64_t nValue = 0;
        for (std::size_t i = nWidth; i-- > 0;) {
            nValue = (nValue << 8) | static_cast<std::uint8_t>(m_bytes[nOffset + i]);
        }
        return nValue;
    }

  private:
    std::span<const std::byte> m_bytes;
};
