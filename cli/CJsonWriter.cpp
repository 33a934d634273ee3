// cli/CJsonWriter.cpp
#include "cli/CJsonWriter.h"

#include <cstdio>

void CJsonWriter::Separate() {
    if (m_bAfterKey) {
        m_bAfterKey = false;
        return;
    }
    if (!m_vecNeedComma.empty()) {
        if (m_vecNeedComma.back())
            m_strText += ',';
        m_vecNeedComma.back() = true;
    }
}

CJsonWriter& CJsonWriter::BeginObject() {
    Separate();
    m_strText += '{';
    m_vecNeedComma.push_back(false);
    return *this;
}
CJsonWriter& CJsonWriter::EndObject() {
    m_strText += '}';
    m_vecNeedComma.pop_back();
    return *this;
}
CJsonWriter& CJsonWriter::BeginArray() {
    Separate();
    m_strText += '[';
    m_vecNeedComma.push_back(false);
    return *this;
}
CJsonWriter& CJsonWriter::EndArray() {
    m_strText += ']';
    m_vecNeedComma.pop_back();
    return *this;
}
CJsonWriter& CJsonWriter::Key(std::string_view strKey) {
    Separate();
    m_strText += Escape(strKey);
    m_strText += ':';
    m_bAfterKey = true;
    return *this;
}
CJsonWriter& CJsonWriter::String(std::string_view strValue) {
    Separate();
    m_strText += Escape(strValue);
    return *this;
}
CJsonWriter& CJsonWriter::Number(std::int64_t nValue) {
    Separate();
    m_strText += std::to_string(nValue);
    return *this;
}
CJsonWriter& CJsonWriter::Bool(bool bValue) {
    Separate();
    m_strText += bValue ? "true" : "false";
    return *this;
}
CJsonWriter& CJsonWriter::Null() {
    Separate();
    m_strText += "null";
    return *this;
}

namespace {
// The JSON escape of one byte that may not stand in a string as it is.
void AppendEscaped(unsigned char n, std::string& strOut) {
    switch (n) {
        case '"':
            strOut += "\\\"";
            break;
        case '\\':
            strOut += "\\\\";
            break;
        case '\n':
            strOut += "\\n";
            break;
        case '\r':
            strOut += "\\r";
            break;
        case '\t':
            strOut += "\\t";
            break;
        default: {
            char szBuf[8];
            std::snprintf(szBuf, sizeof(szBuf), "\\u%04x", n);
            strOut += szBuf;
        }
    }
}
}  // namespace

std::string CJsonWriter::Escape(std::string_view strValue) {
    std::string strOut = "\"";
    for (char ch : strValue) {
        const auto n = static_cast<unsigned char>(ch);
        // Bytes of 0x80 and up are escaped one by one: this text is not known to be UTF-8.
        if (n < 0x20 || n >= 0x80 || n == '"' || n == '\\')
            AppendEscaped(n, strOut);
        else
            strOut += ch;
    }
    strOut += '"';
    return strOut;
}

void CJsonWriter::AppendUtf8String(std::string_view strValue, std::string& strOut) {
    strOut.push_back('"');
    std::size_t nPlain = 0;  // start of the run not yet copied
    for (std::size_t i = 0; i < strValue.size(); ++i) {
        const auto n = static_cast<unsigned char>(strValue[i]);
        if (n >= 0x20 && n != '"' && n != '\\')
            continue;
        strOut.append(strValue.substr(nPlain, i - nPlain));
        nPlain = i + 1;
        AppendEscaped(n, strOut);
    }
    strOut.append(strValue.substr(nPlain));
    strOut.push_back('"');
}
