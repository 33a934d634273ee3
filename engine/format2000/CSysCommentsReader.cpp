// engine/format2000/CSysCommentsReader.cpp
#include "engine/format2000/CSysCommentsReader.h"

#include <algorithm>

#include "engine/catalog/CatalogText.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/format2000/CSchemaCollector.h"
#include "engine/format2000/CSysObjectsReader.h"
#include "engine/records/CTextPointerReader.h"

namespace {
constexpr std::size_t kIdOffset = 4;
constexpr std::size_t kNumberOffset = 8;
constexpr std::size_t kColIdOffset = 10;
constexpr std::size_t kMaxFixedEnd = 30;
constexpr std::int32_t kFirstObjectId = 100;
constexpr std::int32_t kFirstDefaultId = 2001;
constexpr std::size_t kMaxChunkBytes = 8192;

bool StartsLikeRow(const CByteView& view, std::size_t nRow) {
    auto n0 = view.U8(nRow);
    auto n1 = view.U8(nRow + 1);
    return n0 && n1 && *n0 == 0x30 && *n1 == 0x00;
}

CViewStoredProc* FindProgrammable(CSQLServerEngine& engine, const std::string& strKey) {
    for (auto* pMap :
         {&engine.m_mapViews, &engine.m_mapProcedures, &engine.m_mapRules, &engine.m_mapTriggers}) {
        if (auto* p = pMap->Find(strKey))
            return p;
    }
    return nullptr;
}
}  // namespace

std::optional<SDamage> CSysCommentsReader::ReadRow(const CByteView& dataArea,
                                                   std::uint16_t nRowOffset) {
    // A damaged high byte of the row offset: the row may start 256 bytes later or earlier.
    std::size_t nRow = nRowOffset;
    if (!StartsLikeRow(dataArea, nRow)) {
        if (StartsLikeRow(dataArea, nRow + 256)) {
            nRow += 256;
        } else if (nRow >= 256 && StartsLikeRow(dataArea, nRow - 256)) {
            nRow -= 256;
        } else {
            return std::nullopt;  // no live row here (a deleted one, or none)
        }
    }
    auto nFixedEndRaw = dataArea.U16(nRow + 2);
    auto nId = dataArea.I32(nRow + kIdOffset);
    auto nNumber = dataArea.U16(nRow + kNumberOffset);
    auto nColId = dataArea.U16(nRow + kColIdOffset);
    if (!nFixedEndRaw || !nId || !nNumber || !nColId)
        return CatalogRowDamage("syscomments", "it runs past the page");
    if (*nId < kFirstObjectId)
        return std::nullopt;
    // A chunk of a known object's text: what the row loses, the object's text loses.
    auto lost = [&](const char* pszWhy) {
        SDamage damage = CatalogRowDamage("syscomments", pszWhy);
        damage.nObjectId = *nId;
        damage.strDetail += "; a part of the object's text is lost";
        return damage;
    };

    std::string strKey = ObjectKey(*nId);
    EOwner eOwner = EOwner::Object;
    CViewStoredProc* pObject = FindProgrammable(m_engine, strKey);
    if (!pObject && m_engine.m_mapObjects.Contains(strKey)) {
        // A table's own rows hold the expressions of its computed columns, numbered by column.
        eOwner = EOwner::ComputedColumn;
        strKey += ":" + std::to_string(*nNumber);
    } else if (!pObject) {
        pObject = m_engine.m_mapFunctions.Find(strKey);
    }
    if (!pObject && eOwner == EOwner::Object) {
        if (m_collector.IsConstraint(*nId)) {
            eOwner = EOwner::Constraint;
        } else if (*nId < kFirstDefaultId) {
            return std::nullopt;
        } else {
            eOwner = EOwner::Default;
        }
    }

    std::size_t nFixedEnd = *nFixedEndRaw > 255 ? (*nFixedEndRaw & 0xFF) : *nFixedEndRaw;
    if (nFixedEnd >= kMaxFixedEnd + 1)
        return lost("its fixed part is longer than a syscomments row has");
    auto nCount = dataArea.U16(nRow + nFixedEnd);
    if (!nCount || *nCount == 0)
        return lost("its column count is impossible");
    std::size_t nBitmap = std::max<std::size_t>(1, (*nCount + 7) / 8);
    auto nVarCount = dataArea.U16(nRow + nFixedEnd + 2 + nBitmap);
    auto nTextEnd = dataArea.U16(nRow + nFixedEnd + 4 + nBitmap);
    if (!nVarCount || !nTextEnd)
        return lost("its variable-length columns lie past the page");
    std::size_t nStart = nFixedEnd + nBitmap + 4 + 2 * static_cast<std::size_t>(*nVarCount);
    if (!dataArea.Has(nRow + nStart, 0))
        return lost("its text starts past the page");

    std::string strText;
    std::optional<SDamage> textDamage;
    if (*nTextEnd > kMaxChunkBytes) {
        // The chunk lives on text pages; the row holds a 16-byte text pointer.
        auto nBlob = dataArea.U32(nRow + nStart);
        auto nPage = dataArea.U32(nRow + nStart + 8);
        auto nSlot = dataArea.U16(nRow + nStart + 14);
        if (!nBlob || !nPage || !nSlot)
            return lost("its text pointer runs past the page");
        strText = CatalogText::NonZeroBytes(m_textReader.FetchBytes(*nPage, *nSlot, *nBlob, true));
        if (!m_textReader.Problem().empty()) {
            textDamage = SDamage{};
            textDamage->eKind = EDamageKind::LargeValue;
            textDamage->nObjectId = *nId;
            textDamage->strDetail =
                "a part of the object's text is not read whole: " + m_textReader.Problem();
        }
    } else {
        if (*nTextEnd < nStart)
            return lost("its text ends before it starts");
        auto chunk = dataArea.Slice(nRow + nStart, *nTextEnd - nStart);
        if (!chunk)
            return lost("its text runs past the page");
        strText = CatalogText::NonZeroBytes(*chunk);
    }

    if (!m_mapOwners.contains(strKey)) {
        m_mapOwners.emplace(strKey, eOwner);
        m_vecOrder.push_back(strKey);
    }
    m_mapChunks[strKey].push_back(SChunk{*nNumber, *nColId, m_nSequence++, std::move(strText)});
    if (pObject) {
        pObject->m_nNumber = *nNumber;
        pObject->m_nColId = *nColId;
    }
    return textDamage;
}

void CSysCommentsReader::Finish() {
    for (const std::string& strKey : m_vecOrder) {
        auto& vecChunks = m_mapChunks[strKey];
        std::stable_sort(vecChunks.begin(), vecChunks.end(), [](const SChunk& a, const SChunk& b) {
            return std::tie(a.nNumber, a.nColId) < std::tie(b.nNumber, b.nColId);
        });
        std::string strText;
        for (const SChunk& chunk : vecChunks)
            strText += chunk.strText;
        const EOwner eOwner = m_mapOwners[strKey];
        // Keys were made from ids read as 32-bit values, so they convert back without loss.
        const auto nId = static_cast<std::int32_t>(std::stol(strKey));
        if (eOwner == EOwner::Default) {
            auto pDefault = std::make_unique<CIndexInfo>();
            pDefault->m_nObjectId = nId;
            pDefault->m_strText = std::move(strText);
            m_engine.m_mapDefaults.Set(strKey, std::move(pDefault));
        } else if (eOwner == EOwner::Constraint) {
            m_collector.SetConstraintText(nId, std::move(strText));
        } else if (eOwner == EOwner::ComputedColumn) {
            const auto nColumn =
                static_cast<std::uint16_t>(std::stoul(strKey.substr(strKey.find(':') + 1)));
            m_collector.SetColumnText(nId, nColumn, std::move(strText));
        } else if (CViewStoredProc* pObject = FindProgrammable(m_engine, strKey)) {
            pObject->m_strText = std::move(strText);
        } else if (CViewStoredProc* pFunction = m_engine.m_mapFunctions.Find(strKey)) {
            pFunction->m_strText = std::move(strText);
        }
    }
    m_mapChunks.clear();
    m_mapOwners.clear();
    m_vecOrder.clear();
}
