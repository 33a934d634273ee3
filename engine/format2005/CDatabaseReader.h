// engine/format2005/CDatabaseReader.h
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/DataFileReader.h"
#include "engine/format2005/CAllocationMaps.h"
#include "engine/format2005/CCatalog.h"
#include "engine/format2005/CDamageList.h"
#include "engine/format2005/CTableReader.h"

namespace format2005 {

enum class EOpenResult : std::uint8_t {
    Ok,
    CannotOpen,         // the file could not be opened (Error() says why)
    NotADataFile,       // no boot page where one must be
    CatalogUnreadable,  // a boot page, but no allocation unit could be read
};

// A 2005+ data file opened for reading: its boot page, catalog and the damage met on the way.
// Rows are read per call, each call with allocation maps and a damage list of its own, so calls
// on different threads do not share state. The file is never written.
class CDatabaseReader {
  public:
    EOpenResult Open(const std::string& strPath);

    const std::string& Error() const { return m_strError; }
    const std::string& Path() const { return m_strPath; }
    std::uint32_t PageCount() const { return m_pReader ? m_pReader->PageCount() : 0; }
    const CCatalog& Catalog() const { return m_catalog; }
    // The open file, for readers that keep their own allocation maps. REQUIRES: Open was Ok.
    const CDataFileReader& File() const { return *m_pReader; }
    // Damage met while the catalog was read.
    const CDamageList& CatalogDamage() const { return m_damage; }

    // Streams the rows of a table (see CTableReader); damage is appended to damage.
    SReadCounts ReadRows(const STable& table, const CTableReader::FRow& onRow,
                         CDamageList& damage) const;
    // The table's data pages in reading order.
    std::vector<std::uint32_t> DataPages(const STable& table, CDamageList& damage) const;

  private:
    std::string m_strPath;
    std::string m_strError;
    std::unique_ptr<CDataFileReader> m_pReader;
    CDamageList m_damage;
    std::unique_ptr<CAllocationMaps> m_pMaps;
    CCatalog m_catalog;
};

}  // namespace format2005
