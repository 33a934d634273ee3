// fuzz/fuzz_scanfile.cpp
// libFuzzer target: random bytes as a whole scan file, read the way a scan file is opened.
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/ArchiveReader.h"
#include "engine/format2000/CSQLServer2000.h"
#include "engine/scripts/CScanFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    // One engine for the whole run: constructing one per input would mostly test the log writer.
    static auto pEngine = CreateSQLServer2000Engine();
    try {
        CScanFile::LoadImage(*pEngine, std::as_bytes(std::span(pData, nSize)));
    } catch (const CArchiveError&) {
        // Refusing a damaged file is the expected outcome; crashing or over-reading is not.
    }
    return 0;
}
