// engine/core/CDamageLog.h
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/Export.h"
#include "engine/core/SDamage.h"

// Counts of the damage a log holds, by kind, and what the user is told about them.
struct AMBERMILL_API SDamageSummary {
    std::array<std::uint64_t, kDamageKinds> arrCounts{};
    std::uint64_t nTotal = 0;
    std::uint64_t nBytes = 0;     // bytes not read, over every record
    std::uint64_t nRowPages = 0;  // distinct pages whose rows were skipped
    std::optional<SDamage> tail;  // the cut end of the file, when there is one

    std::uint64_t Count(EDamageKind eKind) const {
        return arrCounts[static_cast<std::size_t>(eKind)];
    }
    bool Empty() const { return nTotal == 0; }
    // "12 rows on 3 damaged pages were skipped, 2 values are marked Corrupt"; empty when there is
    // no damage.
    std::string Text() const;
};

// A damage sink that keeps what it is told: every record is counted, the first kMaxRecords are
// kept (a file of random bytes can yield millions), and each kept record is also written to the
// error log. Thread-safe: walks on several threads may report into one log.
class AMBERMILL_API CDamageLog : public IDamageSink {
  public:
    static constexpr std::size_t kMaxRecords = 10000;

    CDamageLog() = default;
    CDamageLog(const CDamageLog&) = delete;
    CDamageLog& operator=(const CDamageLog&) = delete;

    void Report(const SDamage& damage) override;

    // The records kept, in the order they were reported.
    std::vector<SDamage> Records() const;
    SDamageSummary Summary() const;
    bool Empty() const;
    void Clear();
    // Adds another log's records and counts, without writing them to the error log again.
    void Append(const CDamageLog& other);

  private:
    void Count(const SDamage& damage);

    mutable std::mutex m_mutex;
    std::vector<SDamage> m_vecRecords;
    SDamageSummary m_summary;
    std::set<std::uint32_t> m_setRowPages;
};
