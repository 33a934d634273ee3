// cli/CRowWriter.cpp
#include "cli/CRowWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "cli/CJsonWriter.h"

namespace {
constexpr std::size_t kMaxTextWidth = 60;
constexpr std::size_t kFlushBytes = 1 << 16;

// True when some byte of the word equals b (the classic has-zero-byte test on word ^ b).
constexpr bool HasByte(std::uint64_t nWord, std::uint8_t b) {
    const std::uint64_t x = nWord ^ (0x0101010101010101ULL * b);
    return ((x - 0x0101010101010101ULL) & ~x & 0x8080808080808080ULL) != 0;
}

// Eight bytes at a time: most fields hold none of the four characters.
bool NeedsCsvQuotes(std::string_view strValue) {
    std::size_t i = 0;
    for (; i + 8 <= strValue.size(); i += 8) {
        std::uint64_t nWord = 0;
        std::memcpy(&nWord, strValue.data() + i, 8);
        if (HasByte(nWord, ',') || HasByte(nWord, '"') || HasByte(nWord, '\r') ||
            HasByte(nWord, '\n'))
            return true;
    }
    for (; i < strValue.size(); ++i) {
        const char ch = strValue[i];
        if (ch == ',' || ch == '"' || ch == '\r' || ch == '\n')
            return true;
    }
    return false;
}

void AppendCsvQuoted(std::string_view strValue, std::string& strOut) {
    strOut.push_back('"');
    for (char ch : strValue) {
        if (ch == '"')
            strOut.push_back('"');
        strOut.push_back(ch);
    }
    strOut.push_back('"');
}

std::string Cell(const std::string& strValue) {
    std::string strCell;
    for (char ch : strValue)
        strCell.push_back(ch == '\n' || ch == '\r' || ch == '\t' ? ' ' : ch);
    if (strCell.size() > kMaxTextWidth)
        strCell = strCell.substr(0, kMaxTextWidth - 3) + "...";
    return strCell;
}
}  // namespace

CRowWriter::CRowWriter(const CTable& table, const std::vector<SColumnFormat>& vecFormats,
                       SOptions options, std::FILE* pOut)
    : m_table(table), m_vecFormats(vecFormats), m_options(std::move(options)), m_pOut(pOut) {}

std::string CRowWriter::CsvField(std::string_view strValue) {
    if (!NeedsCsvQuotes(strValue))
        return std::string(strValue);
    std::string strField;
    AppendCsvQuoted(strValue, strField);
    return strField;
}

void CRowWriter::Flush(bool bAlways) {
    if (m_strBuffer.empty() || (!bAlways && m_strBuffer.size() < kFlushBytes))
        return;
    std::fwrite(m_strBuffer.data(), 1, m_strBuffer.size(), m_pOut);
    m_strBuffer.clear();
}

void CRowWriter::Begin() {
    const std::vector<CColumnInfo>& vecColumns = m_table.m_vecColumns;
    if (m_options.eFormat == EFormat::Json) {
        m_strBuffer += "{\"table\":" + CJsonWriter::Escape(m_table.m_strName) + ",\"columns\":[";
        for (std::size_t i = 0; i < vecColumns.size(); ++i) {
            if (i)
                m_strBuffer += ",";
            m_strBuffer += CJsonWriter::Escape(vecColumns[i].m_strName);
        }
        m_strBuffer += "],\"rows\":[";
    } else if (m_options.eFormat == EFormat::Csv) {
        std::string strLine;
        for (std::size_t i = 0; i < vecColumns.size(); ++i) {
            if (i)
                strLine += ",";
            strLine += CsvField(vecColumns[i].m_strName);
        }
        if (m_options.bMarkDeleted)
            strLine += strLine.empty() ? "deleted" : ",deleted";
        m_strBuffer += strLine + "\r\n";
    }
}

void CRowWriter::AppendJsonRow(const SDecodedRow& row) {
    m_strBuffer += m_nRows ? ",[" : "[";
    for (std::size_t i = 0; i < row.vecValues.size() && i < m_vecFormats.size(); ++i) {
        if (i)
            m_strBuffer.push_back(',');
        const CTypedValue& value = row.vecValues[i];
        if (m_options.bGridText) {
            m_strScratch.clear();
            CValueFormat::AppendGridText(value, m_vecFormats[i], m_strScratch);
            m_strBuffer += CJsonWriter::Escape(m_strScratch);
            continue;
        }
        m_strScratch.clear();
        switch (CValueFormat::AppendDataText(value, m_vecFormats[i].eType, m_strScratch)) {
            case EDataForm::Null:
                m_strBuffer += "null";
                break;
            case EDataForm::Number:
                m_strBuffer += m_strScratch;
                break;
            case EDataForm::String:
                CJsonWriter::AppendUtf8String(m_strScratch, m_strBuffer);
                break;
            case EDataForm::PlainString:
                m_strBuffer.push_back('"');
                m_strBuffer += m_strScratch;
                m_strBuffer.push_back('"');
                break;
        }
    }
    m_strBuffer.push_back(']');
    m_vecDeleted.push_back(row.bDeleted);
}

void CRowWriter::AppendCsvValue(const CTypedValue& value, const SColumnFormat& format) {
    const std::size_t nStart = m_strBuffer.size();
    bool bQuote = false;
    if (m_options.bGridText) {
        CValueFormat::AppendGridText(value, format, m_strBuffer);
        bQuote = NeedsCsvQuotes(std::string_view(m_strBuffer).substr(nStart));
    } else {
        const EDataForm eForm = CValueFormat::AppendDataText(value, format.eType, m_strBuffer);
        if (eForm == EDataForm::Number)
            return;
        if (eForm == EDataForm::Null) {
            m_strBuffer += m_options.strNull;
            return;
        }
        // An empty string is told from NULL by its quotes, and so is a text equal to the NULL
        // text.
        const std::size_t nLength = m_strBuffer.size() - nStart;
        bQuote = nLength == 0 ||
                 (nLength == m_options.strNull.size() &&
                  m_strBuffer.compare(nStart, nLength, m_options.strNull) == 0) ||
                 (eForm == EDataForm::String &&
                  NeedsCsvQuotes(std::string_view(m_strBuffer).substr(nStart)));
    }
    if (!bQuote)
        return;
    m_strScratch.assign(m_strBuffer, nStart);
    m_strBuffer.resize(nStart);
    AppendCsvQuoted(m_strScratch, m_strBuffer);
}

void CRowWriter::AppendCsvRow(const SDecodedRow& row) {
    const std::size_t nColumns = std::min(row.vecValues.size(), m_vecFormats.size());
    const CTypedValue* pValues = row.vecValues.data();
    const SColumnFormat* pFormats = m_vecFormats.data();
    for (std::size_t i = 0; i < nColumns; ++i) {
        if (i)
            m_strBuffer.push_back(',');
        AppendCsvValue(pValues[i], pFormats[i]);
    }
    if (m_options.bMarkDeleted)
        m_strBuffer += row.bDeleted ? ",1" : ",0";
    m_strBuffer += "\r\n";
}

void CRowWriter::Row(const SDecodedRow& row) {
    switch (m_options.eFormat) {
        case EFormat::Json:
            AppendJsonRow(row);
            break;
        case EFormat::Csv:
            AppendCsvRow(row);
            break;
        case EFormat::Text: {
            auto& cells = m_vecPageCells.emplace_back();
            for (std::size_t i = 0; i < row.vecValues.size() && i < m_vecFormats.size(); ++i)
                cells.push_back(Cell(CValueFormat::GridText(row.vecValues[i], m_vecFormats[i])));
            m_vecPageDeleted.push_back(row.bDeleted);
            break;
        }
    }
    ++m_nRows;
    Flush(false);
}

void CRowWriter::PrintTextPage() {
    // Widths grow with the rows seen so far; the header is printed with the first page.
    const std::size_t nColumns = m_table.m_vecColumns.size();
    if (m_vecWidths.empty()) {
        m_vecWidths.resize(nColumns);
        for (std::size_t i = 0; i < nColumns; ++i)
            m_vecWidths[i] = Cell(m_table.m_vecColumns[i].m_strName).size();
    }
    for (const auto& cells : m_vecPageCells) {
        for (std::size_t i = 0; i < cells.size() && i < nColumns; ++i)
            m_vecWidths[i] = std::max(m_vecWidths[i], cells[i].size());
    }
    auto printLine = [&](const std::vector<std::string>& cells, const char* pszMark) {
        if (m_options.bMarkDeleted)
            m_strBuffer += pszMark;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i)
                m_strBuffer += "  ";
            m_strBuffer += cells[i];
            if (i + 1 < cells.size() && i < m_vecWidths.size())
                m_strBuffer.append(m_vecWidths[i] - cells[i].size(), ' ');
        }
        m_strBuffer += "\n";
    };
    if (!m_bHeaderDone) {
        std::vector<std::string> vecHeader;
        for (const CColumnInfo& column : m_table.m_vecColumns)
            vecHeader.push_back(Cell(column.m_strName));
        printLine(vecHeader, "   ");
        m_bHeaderDone = true;
    }
    for (std::size_t r = 0; r < m_vecPageCells.size(); ++r)
        printLine(m_vecPageCells[r], m_vecPageDeleted[r] ? "D  " : "   ");
    m_vecPageCells.clear();
    m_vecPageDeleted.clear();
}

void CRowWriter::EndPage() {
    if (m_options.eFormat == EFormat::Text)
        PrintTextPage();
    Flush(false);
}

void CRowWriter::End(std::string_view strJsonMembers) {
    if (m_options.eFormat == EFormat::Text && !m_vecPageCells.empty())
        PrintTextPage();
    if (m_options.eFormat == EFormat::Json) {
        m_strBuffer += "],\"deleted\":[";
        for (std::size_t i = 0; i < m_vecDeleted.size(); ++i) {
            if (i)
                m_strBuffer += ",";
            m_strBuffer += m_vecDeleted[i] ? "true" : "false";
        }
        m_strBuffer += "]";
        if (!strJsonMembers.empty()) {
            m_strBuffer += ",";
            m_strBuffer += strJsonMembers;
        }
        m_strBuffer += "}\n";
    }
    Flush(true);
    std::fflush(m_pOut);
}
