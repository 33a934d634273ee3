// engine/format2005/CTableReader.cpp
#include "engine/format2005/CTableReader.h"

#include <string>

#include "engine/format2005/CSlotWalker.h"
#include "engine/format2005/CTypeInfo.h"

namespace format2005 {
namespace {
// A forwarded record's back pointer: a complex column of 10 bytes, header 0x0400, then the
// stub's page id and slot.
constexpr std::uint16_t kBackPointerHeader = 0x0400;
constexpr std::size_t kBackPointerSize = 10;

std::string CompressionText(std::uint8_t nLevel) {
    switch (nLevel) {
        case 1:
            return "row";
        case 2:
            return "page";
        default:
            return "level " + std::to_string(nLevel);
    }
}
}  // namespace

CTableReader::CTableReader(const CDataFileReader& reader, CAllocationMaps& maps,
                           const STable& table, CDamageList& damage)
    : m_reader(reader), m_maps(maps), m_table(table), m_damage(damage), m_lob(reader, maps) {}

bool CTableReader::BackPointer(const CRecord& record, std::uint32_t& nPage, std::uint16_t& nSlot) {
    if (record.VariableCount() == 0)
        return false;
    const std::size_t nLast = record.VariableCount() - 1u;
    if (!record.IsComplex(nLast))
        return false;
    CByteView view(record.Variable(nLast));
    auto nHeader = view.U16(0);
    auto page = ReadPageId(view, 2);
    auto nStubSlot = view.U16(8);
    if (view.Size() != kBackPointerSize || !nHeader || *nHeader != kBackPointerHeader || !page ||
        page->nFile != 1 || !nStubSlot)
        return false;
    nPage = page->nPage;
    nSlot = *nStubSlot;
    return true;
}

SReadCounts CTableReader::ReadRows(const FRow& onRow, const FPage& onPage) {
    m_counts = SReadCounts();
    m_vecPages.clear();
    m_setForwardedRead.clear();
    if (m_table.IsCompressed()) {
        m_counts.bNotRead = true;
        m_damage.Add(EDamage::TableNotRead, kNoPage, -1, m_table.nObjectId, 0,
                     m_table.strName + ": " + CompressionText(m_table.nCompression) +
                         " compression: rows not read");
        return m_counts;
    }
    ReportUndecodedColumns();
    m_pOnRow = &onRow;
    m_pSink = nullptr;
    m_pOnPage = onPage ? &onPage : nullptr;
    for (const SPartition& partition : m_table.vecPartitions) {
        if (!WalkPartition(partition, true))
            break;
    }
    m_pOnRow = nullptr;
    m_pOnPage = nullptr;
    return m_counts;
}

std::vector<std::uint32_t> CTableReader::DataPages() {
    m_counts = SReadCounts();
    m_vecPages.clear();
    for (const SPartition& partition : m_table.vecPartitions)
        WalkPartition(partition, false);
    return m_vecPages;
}

bool CTableReader::WalkPartition(const SPartition& partition, bool bDecode) {
    if (partition.nInRowUnit == 0) {
        if (partition.nCatalogRows != 0)
            m_damage.Add(EDamage::CatalogMissing, kNoPage, -1, m_table.nObjectId, 0,
                         m_table.strName + ": rowset without an in-row allocation unit");
        return true;
    }
    CUnitPages pages(m_reader, m_maps, m_damage, partition.nInRowUnit, partition.firstIam,
                     m_table.nObjectId);
    std::vector<std::uint64_t> vecUnits;
    for (std::uint64_t nUnit : {partition.nLobUnit, partition.nOverflowUnit}) {
        if (nUnit != 0)
            vecUnits.push_back(nUnit);
    }
    m_lob.SetUnits(std::move(vecUnits));
    CRowDecoder decoder(m_table, partition, m_lob);
    decoder.SetReadBinaryLobs(m_bReadBinaryLobs);
    m_pUnitPages = &pages;
    m_pDecoder = &decoder;

    std::set<std::uint32_t> setVisited;
    bool bGoOn = true;
    auto Visit = [&](const CPage& page) {
        setVisited.insert(page.Number());
        m_vecPages.push_back(page.Number());
        ++m_counts.nPages;
        if (m_pOnPage)
            (*m_pOnPage)(page.Number());
        if (bDecode)
            bGoOn = ReadPage(page);
        return bGoOn;
    };

    CPage page;
    if (!m_table.bHeap) {
        // Key order: the leaf chain from the unit's first page.
        SPageId next = partition.firstPage;
        const std::uint32_t nLimit = m_reader.PageCount();
        while (!next.IsNull() && bGoOn) {
            if (next.nFile != 1 || setVisited.count(next.nPage) || setVisited.size() >= nLimit) {
                m_damage.Add(next.nFile != 1 ? EDamage::PageUnreadable : EDamage::ChainLoop,
                             next.nPage, -1, m_table.nObjectId, 0,
                             m_table.strName + ": leaf chain");
                break;
            }
            const bool bClaimed = pages.IsCandidate(next.nPage);
            if (!pages.LoadLinked(next.nPage, page, "leaf chain"))
                break;
            if (page.Type() != kPageData || page.Level() != 0) {
                m_damage.Add(EDamage::PageWrongType, next.nPage, -1, m_table.nObjectId, 0,
                             m_table.strName + ": leaf chain leads to a page of type " +
                                 std::to_string(page.Type()));
                break;
            }
            if (!bClaimed)
                m_damage.Add(EDamage::PageNotInChain, next.nPage, -1, m_table.nObjectId, 0,
                             m_table.strName + ": leaf page the IAM chain does not claim");
            if (!Visit(page))
                break;
            next = page.NextPage();
        }
    }
    // A heap in page order; for a clustered table the leaf pages its chain did not reach.
    for (std::uint32_t nPage : pages.Candidates()) {
        if (!bGoOn)
            break;
        if (setVisited.count(nPage) || !pages.LoadMember(nPage, page) || page.Type() != kPageData ||
            page.Level() != 0)
            continue;
        if (!m_table.bHeap)
            m_damage.Add(EDamage::PageNotInChain, nPage, -1, m_table.nObjectId, 0,
                         m_table.strName + ": leaf page outside the leaf chain");
        Visit(page);
    }
    m_pUnitPages = nullptr;
    m_pDecoder = nullptr;
    return bGoOn;
}

void CTableReader::ReportUndecodedColumns() {
    bool bXml = false;
    // A column set is xml too, but nothing of it is stored: it is made from the sparse values.
    for (const SColumn& column : m_table.vecColumns)
        bXml = bXml || (column.nTypeId == kTypeXml && !column.bColumnSet);
    if (bXml)
        m_damage.Add(EDamage::ValueNotDecoded, kNoPage, -1, m_table.nObjectId, 0,
                     m_table.strName + ": xml values (binary XML) are not decoded");
}

SReadCounts CTableReader::ReadListedPages(const std::vector<std::uint32_t>& vecPages,
                                          std::size_t nStartIndex, std::uint16_t nStartSlot,
                                          IListedSink& sink, const std::function<void()>& onPageEnd,
                                          const std::atomic<bool>* pStop) {
    m_counts = SReadCounts();
    m_setForwardedRead.clear();
    if (m_table.IsCompressed()) {
        m_counts.bNotRead = true;
        return m_counts;
    }
    if (nStartIndex == 0 && nStartSlot == 0)
        ReportUndecodedColumns();
    if (!m_bPartsBuilt) {
        m_bPartsBuilt = true;
        for (const SPartition& partition : m_table.vecPartitions) {
            if (partition.nInRowUnit == 0)
                continue;
            SPart& part = m_vecParts.emplace_back();
            part.pPartition = &partition;
            part.pPages =
                std::make_unique<CUnitPages>(m_reader, m_maps, m_damage, partition.nInRowUnit,
                                             partition.firstIam, m_table.nObjectId);
            part.pDecoder = std::make_unique<CRowDecoder>(m_table, partition, m_lob);
            part.pPages->SetPageRun(&m_run);
        }
    }
    // A walk from the start reads the file afresh.
    if (nStartIndex == 0 && nStartSlot == 0)
        m_run.Clear();
    const std::vector<SPart>& vecParts = m_vecParts;
    for (const SPart& part : vecParts)
        part.pDecoder->SetReadBinaryLobs(m_bReadBinaryLobs);
    std::size_t nIndex = nStartIndex;
    m_pOnRow = nullptr;
    m_pSink = &sink;
    m_pOnPage = nullptr;
    const SPart* pLastPart = nullptr;
    CPage page;
    for (; nIndex < vecPages.size(); ++nIndex) {
        if (pStop != nullptr && pStop->load())
            break;
        const std::uint32_t nPage = vecPages[nIndex];
        m_run.Prepare(m_reader, vecPages, nIndex);
        const SPart* pPart = nullptr;
        if (pLastPart && pLastPart->pPages->IsCandidate(nPage)) {
            pPart = pLastPart;
        } else {
            for (const SPart& part : vecParts) {
                if (part.pPages->IsCandidate(nPage))
                    pPart = &part;
            }
            // A leaf page its chain reached though the IAM does not claim it: its header decides.
            if (pPart == nullptr && vecParts.size() == 1)
                pPart = &vecParts.front();
        }
        if (pPart == nullptr || !pPart->pPages->LoadLinked(nPage, page, "page list") ||
            page.Type() != kPageData || page.Level() != 0) {
            if (pPart == nullptr)
                m_damage.Add(EDamage::PageOfOtherUnit, nPage, -1, m_table.nObjectId, 0,
                             m_table.strName + ": listed page is no longer the table's");
            continue;
        }
        if (pPart != pLastPart) {
            std::vector<std::uint64_t> vecUnits;
            for (std::uint64_t nUnit :
                 {pPart->pPartition->nLobUnit, pPart->pPartition->nOverflowUnit}) {
                if (nUnit != 0)
                    vecUnits.push_back(nUnit);
            }
            m_lob.SetUnits(std::move(vecUnits));
            pLastPart = pPart;
        }
        m_pUnitPages = pPart->pPages.get();
        m_pDecoder = pPart->pDecoder.get();
        ++m_counts.nPages;
        m_place = SListedPlace{nIndex, 0, page.UsableSlotCount()};
        const bool bGoOn = ReadPage(page, nIndex == nStartIndex ? nStartSlot : 0);
        m_pUnitPages = nullptr;
        m_pDecoder = nullptr;
        if (!bGoOn)
            break;
        if (onPageEnd)
            onPageEnd();
    }
    m_pSink = nullptr;
    return m_counts;
}

bool CTableReader::ReadPage(const CPage& page, std::uint16_t nFirstSlot) {
    const std::uint16_t nSlots = page.UsableSlotCount();
    if (nSlots < page.SlotCount()) {
        m_damage.Add(EDamage::SlotOutsidePage, page.Number(), -1, m_table.nObjectId, kPageSize,
                     "slot count " + std::to_string(page.SlotCount()) + " does not fit the page");
        return true;
    }
    CRecord record;
    for (std::uint16_t nSlot = nFirstSlot; nSlot < nSlots; ++nSlot) {
        m_place.nSlot = nSlot;
        bool bEmpty = false;
        if (!CSlotWalker::ParseSlot(page, nSlot, m_table.nObjectId, m_damage, record, bEmpty))
            continue;
        bool bGoOn = true;
        switch (record.Type()) {
            case ERecordType::Primary:
            case ERecordType::GhostData:
                bGoOn = EmitRecord(record, page.Number(), nSlot, false);
                break;
            case ERecordType::Forwarded: {
                const std::pair<std::uint32_t, std::uint16_t> key{page.Number(), nSlot};
                // Read through its stub, unless no valid stub leads here.
                if (m_setForwardedRead.count(key) || StubLeadsHere(record, page.Number(), nSlot))
                    break;
                m_setForwardedRead.insert(key);
                bGoOn = EmitRecord(record, page.Number(), nSlot, true);
                break;
            }
            case ERecordType::ForwardingStub:
                FollowStub(record, page.Number(), nSlot);
                bGoOn = !m_counts.bStopped;
                break;
            case ERecordType::GhostVersion:
                break;  // a version record of a deleted row: not a row of the table
            default:
                m_damage.Add(
                    EDamage::RecordUnexpected, page.Number(), nSlot, m_table.nObjectId, 0,
                    "record of type " + std::to_string(int(record.Type())) + " on a data page");
                break;
        }
        if (!bGoOn)
            return false;
    }
    return true;
}

bool CTableReader::EmitRecord(const CRecord& record, std::uint32_t nPage, std::uint16_t nSlot,
                              bool bForwarded) {
    // Status B 0x01 marks a ghost forwarded record.
    const bool bGhost =
        record.Type() == ERecordType::GhostData || (bForwarded && (record.StatusB() & 0x01) != 0);
    if (bGhost)
        ++m_counts.nGhostRows;
    else
        ++m_counts.nLiveRows;
    if (bForwarded)
        ++m_counts.nForwardedRows;
    bool bGoOn = true;
    if (m_pSink != nullptr) {
        bGoOn = m_pSink->Row(
            SListedRecord{record, *m_pDecoder, nPage, nSlot, bGhost, bForwarded, m_place});
    } else {
        m_pDecoder->Decode(record, nPage, nSlot, m_row, m_damage);
        m_row.bGhost = bGhost;
        m_row.bForwarded = bForwarded;
        bGoOn = (*m_pOnRow)(m_row);
    }
    if (!bGoOn) {
        m_counts.bStopped = true;
        return false;
    }
    return true;
}

void CTableReader::FollowStub(const CRecord& stub, std::uint32_t nPage, std::uint16_t nSlot) {
    const SPageId target = stub.StubPage();
    const std::pair<std::uint32_t, std::uint16_t> key{target.nPage, stub.StubSlot()};
    if (m_setForwardedRead.count(key))
        return;
    auto Broken = [&](const std::string& strWhy) {
        m_damage.Add(EDamage::ForwardingBroken, nPage, nSlot, m_table.nObjectId, 0,
                     "stub to page " + std::to_string(target.nPage) + " slot " +
                         std::to_string(stub.StubSlot()) + ": " + strWhy);
    };
    if (target.nFile != 1 || !m_pUnitPages->IsCandidate(target.nPage))
        return Broken("not a page of the table");
    CPage page;
    if (!m_pUnitPages->LoadMember(target.nPage, page) || page.Type() != kPageData)
        return Broken("not a data page of the table");
    CRecord record;
    bool bEmpty = false;
    if (!CSlotWalker::ParseSlot(page, stub.StubSlot(), m_table.nObjectId, m_damage, record, bEmpty))
        return Broken(bEmpty ? "an emptied slot" : "a damaged record");
    if (record.Type() != ERecordType::Forwarded)
        return Broken("a record that is not a forwarded row");
    m_setForwardedRead.insert(key);
    EmitRecord(record, target.nPage, stub.StubSlot(), true);
}

bool CTableReader::StubLeadsHere(const CRecord& forwarded, std::uint32_t nPage,
                                 std::uint16_t nSlot) {
    std::uint32_t nStubPage = 0;
    std::uint16_t nStubSlot = 0;
    if (!BackPointer(forwarded, nStubPage, nStubSlot) || !m_pUnitPages->IsCandidate(nStubPage))
        return false;
    // Checking the stub must not report its page a second time: the walk reports it when it
    // reaches it.
    CDamageList scratch;
    CUnitPages& pages = *m_pUnitPages;
    CPage page;
    if (!pages.LoadMember(nStubPage, page))
        return false;
    CRecord stub;
    bool bEmpty = false;
    if (!CSlotWalker::ParseSlot(page, nStubSlot, m_table.nObjectId, scratch, stub, bEmpty))
        return false;
    return stub.Type() == ERecordType::ForwardingStub && stub.StubPage().nFile == 1 &&
           stub.StubPage().nPage == nPage && stub.StubSlot() == nSlot;
}

}  // namespace format2005
