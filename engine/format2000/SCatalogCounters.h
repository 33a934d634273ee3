// engine/format2000/SCatalogCounters.h
#pragma once

#include <cstdint>

// Counters the catalog readers share during one recovery.
struct SCatalogCounters {
    std::int32_t nNewTables = 0;     // tables first met in sysobjects (they own no data pages)
    std::int32_t nUnicodeTabNo = 1;  // next number of "UnicodeTab#_%d" and "UnicodeCol#_%d"
};
