// engine/format2005/CDatabaseReader.cpp
#include "engine/format2005/CDatabaseReader.h"

namespace format2005 {

EOpenResult CDatabaseReader::Open(const std::string& strPath) {
    m_strPath = strPath;
    m_strError.clear();
    m_damage.Clear();
    m_pReader = std::make_unique<CDataFileReader>(strPath);
    if (!m_pReader->IsOpen()) {
        m_strError = m_pReader->Error();
        return EOpenResult::CannotOpen;
    }
    m_pMaps = std::make_unique<CAllocationMaps>(*m_pReader, m_damage);
    if (m_catalog.Load(*m_pReader, *m_pMaps, m_damage))
        return EOpenResult::Ok;
    if (m_catalog.Boot().Version() == 0) {
        m_strError = "no boot page: not a data file";
        return EOpenResult::NotADataFile;
    }
    m_strError = "the catalog could not be read";
    return EOpenResult::CatalogUnreadable;
}

SReadCounts CDatabaseReader::ReadRows(const STable& table, const CTableReader::FRow& onRow,
                                      CDamageList& damage) const {
    if (!m_pReader)
        return {};
    CAllocationMaps maps(*m_pReader, damage);
    CTableReader reader(*m_pReader, maps, table, damage);
    return reader.ReadRows(onRow);
}

std::vector<std::uint32_t> CDatabaseReader::DataPages(const STable& table,
                                                      CDamageList& damage) const {
    if (!m_pReader)
        return {};
    CAllocationMaps maps(*m_pReader, damage);
    CTableReader reader(*m_pReader, maps, table, damage);
    return reader.DataPages();
}

}  // namespace format2005
