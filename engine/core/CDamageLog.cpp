// engine/core/CDamageLog.cpp
#include "engine/core/CDamageLog.h"

#include <array>

#include "common/ExecutionLog.h"

namespace {
bool IsRowLoss(EDamageKind eKind) {
    return eKind == EDamageKind::RowRejected || eKind == EDamageKind::SlotOutsidePage;
}

// "1 row" or "12 rows".
std::string Counted(std::uint64_t n, const char* pszOne, const char* pszMany) {
    return std::to_string(n) + " " + (n == 1 ? pszOne : pszMany);
}
}  // namespace

std::string SDamage::Text() const {
    std::string strText;
    auto add = [&](const std::string& strPart) {
        if (!strText.empty())
            strText += ", ";
        strText += strPart;
    };
    if (nPage)
        add("page " + std::to_string(*nPage));
    if (nSlot)
        add("slot " + std::to_string(*nSlot));
    if (nObjectId)
        add("object " + std::to_string(*nObjectId));
    if (!strText.empty())
        strText += ": ";
    strText += strDetail;
    if (nBytes > 0)
        strText += " (" + Counted(nBytes, "byte", "bytes") + ")";
    return strText;
}

std::string_view SDamage::KindName(EDamageKind eKind) {
    static constexpr std::array<std::string_view, kDamageKinds> kNames{
        "file_truncated", "header_page", "boot_page",         "database_name",
        "page_header",    "stray_page",  "torn_page",         "unreadable_page",
        "foreign_page",   "slot_array",  "slot_outside_page", "row_rejected",
        "value_corrupt",  "large_value", "catalog_row",       "scan_file"};
    return kNames[static_cast<std::size_t>(eKind)];
}

std::string SDamageSummary::Text() const {
    std::string strText;
    auto add = [&](const std::string& strPart) {
        if (!strText.empty())
            strText += ", ";
        strText += strPart;
    };
    const std::uint64_t nRows =
        Count(EDamageKind::RowRejected) + Count(EDamageKind::SlotOutsidePage);
    if (nRows > 0) {
        add(Counted(nRows, "row", "rows") + " on " +
            Counted(nRowPages, "damaged page", "damaged pages") +
            (nRows == 1 ? " was skipped" : " were skipped"));
    }
    if (auto n = Count(EDamageKind::ValueCorrupt))
        add(Counted(n, "value is", "values are") + " marked Corrupt");
    if (auto n = Count(EDamageKind::LargeValue))
        add(Counted(n, "large value", "large values") + " could not be read whole");
    if (auto n = Count(EDamageKind::CatalogRow))
        add(Counted(n, "catalog row was", "catalog rows were") + " skipped");
    if (auto n = Count(EDamageKind::UnreadablePage) + Count(EDamageKind::ForeignPage))
        add(Counted(n, "page of a table's list was", "pages of tables' lists were") + " skipped");
    if (auto n = Count(EDamageKind::PageHeader))
        add(Counted(n, "page has", "pages have") + " a damaged header");
    if (auto n = Count(EDamageKind::SlotArray))
        add(Counted(n, "page has", "pages have") + " a damaged slot array");
    if (auto n = Count(EDamageKind::StrayPage))
        add(Counted(n, "page was", "pages were") + " written in the wrong place");
    if (auto n = Count(EDamageKind::TornPage))
        add(Counted(n, "page is", "pages are") + " torn");
    if (tail && tail->nPage) {
        add("the file ends " + Counted(tail->nBytes, "byte", "bytes") + " into page " +
            std::to_string(*tail->nPage));
    }
    if (Count(EDamageKind::HeaderPage))
        add("the file header page is damaged");
    if (Count(EDamageKind::BootPage))
        add("the boot page is damaged");
    if (Count(EDamageKind::DatabaseName))
        add("the database name could not be read");
    if (auto n = Count(EDamageKind::ScanFile))
        add(Counted(n, "scan file entry is", "scan file entries are") + " inconsistent");
    return strText;
}

void CDamageLog::Count(const SDamage& damage) {
    ++m_summary.arrCounts[static_cast<std::size_t>(damage.eKind)];
    ++m_summary.nTotal;
    m_summary.nBytes += damage.nBytes;
    if (IsRowLoss(damage.eKind) && damage.nPage) {
        m_setRowPages.insert(*damage.nPage);
        m_summary.nRowPages = m_setRowPages.size();
    }
    if (damage.eKind == EDamageKind::FileTruncated)
        m_summary.tail = damage;
}

void CDamageLog::Report(const SDamage& damage) {
    bool bKeep = false;
    bool bLast = false;
    {
        std::lock_guard lock(m_mutex);
        Count(damage);
        bKeep = m_vecRecords.size() < kMaxRecords;
        if (bKeep) {
            m_vecRecords.push_back(damage);
            bLast = m_vecRecords.size() == kMaxRecords;
        }
    }
    if (!bKeep)
        return;
    CExecutionLog::WriteLog(1, 0, "Damage: " + damage.Text(), true);
    if (bLast) {
        CExecutionLog::WriteLog(1, 0, "Damage: further damage is counted but not listed one by one",
                                true);
    }
}

std::vector<SDamage> CDamageLog::Records() const {
    std::lock_guard lock(m_mutex);
    return m_vecRecords;
}

SDamageSummary CDamageLog::Summary() const {
    std::lock_guard lock(m_mutex);
    return m_summary;
}

bool CDamageLog::Empty() const {
    std::lock_guard lock(m_mutex);
    return m_summary.nTotal == 0;
}

void CDamageLog::Clear() {
    std::lock_guard lock(m_mutex);
    m_vecRecords.clear();
    m_summary = SDamageSummary{};
    m_setRowPages.clear();
}

void CDamageLog::Append(const CDamageLog& other) {
    if (&other == this)
        return;
    std::scoped_lock lock(m_mutex, other.m_mutex);
    for (const SDamage& damage : other.m_vecRecords) {
        if (m_vecRecords.size() < kMaxRecords)
            m_vecRecords.push_back(damage);
    }
    for (std::size_t i = 0; i < kDamageKinds; ++i)
        m_summary.arrCounts[i] += other.m_summary.arrCounts[i];
    m_summary.nTotal += other.m_summary.nTotal;
    m_summary.nBytes += other.m_summary.nBytes;
    m_setRowPages.insert(other.m_setRowPages.begin(), other.m_setRowPages.end());
    m_summary.nRowPages = m_setRowPages.size();
    if (other.m_summary.tail)
        m_summary.tail = other.m_summary.tail;
}
