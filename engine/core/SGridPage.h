// engine/core/SGridPage.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/Export.h"
#include "engine/records/CTypedValue.h"
#include "engine/records/CValueFormat.h"
#include "engine/records/SDecodedRow.h"

// One grid page as the record thread hands it over: the grid texts of every value back to back,
// with their ends, kinds and the rows' deleted marks. It travels between the record thread and
// the status block and back, so its buffers are allocated once; the rows the program takes are
// made from it on the program's own thread.
struct AMBERMILL_API SGridPage {
    std::size_t nColumns = 0;
    std::string strText;                   // every value's grid text, in row and column order
    std::vector<std::uint32_t> vecEnds;    // end of each value's text in strText
    std::vector<EValueKind> vecKinds;      // each value's kind
    std::vector<std::uint8_t> vecDeleted;  // per row: a deleted (ghost) record

    std::size_t Rows() const { return vecDeleted.size(); }
    // Empties the page for rows of nColumnCount values; the buffers stay.
    void Clear(std::size_t nColumnCount) {
        nColumns = nColumnCount;
        strText.clear();
        vecEnds.clear();
        vecKinds.clear();
        vecDeleted.clear();
    }
    // Appends a decoded row's grid texts. REQUIRES: vecFormats has nColumns entries.
    void Add(const SDecodedRow& row, const std::vector<SColumnFormat>& vecFormats) {
        for (std::size_t i = 0; i < nColumns; ++i) {
            if (i < row.vecValues.size()) {
                CValueFormat::AppendGridText(row.vecValues[i], vecFormats[i], strText);
                vecKinds.push_back(row.vecValues[i].m_eKind);
            } else {
                vecKinds.push_back(EValueKind::Missing);
            }
            vecEnds.push_back(static_cast<std::uint32_t>(strText.size()));
        }
        vecDeleted.push_back(row.bDeleted ? 1 : 0);
    }
};
