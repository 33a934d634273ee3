// cli/CJsonWriter.h
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A small streaming JSON writer: values are appended in order and commas placed automatically.
// Strings are 8-bit engine text; bytes above 127 are written as \u00XX so output stays valid UTF-8.
class CJsonWriter {
  public:
    CJsonWriter& BeginObject();
    CJsonWriter& EndObject();
    CJsonWriter& BeginArray();
    CJsonWriter& EndArray();
    CJsonWriter& Key(std::string_view strKey);
    CJsonWriter& String(std::string_view strValue);
    CJsonWriter& Number(std::int64_t nValue);
    CJsonWriter& Bool(bool bValue);
    CJsonWriter& Null();

    const std::string& Text() const { return m_strText; }
    static std::string Escape(std::string_view strValue);
    // Appends a JSON string of UTF-8 text: quotes, backslashes and control characters are
    // escaped, everything else is kept as it is.
    static void AppendUtf8String(std::string_view strValue, std::string& strOut);

  private:
    void Separate();
    std::string m_strText;
    std::vector<bool> m_vecNeedComma;
    bool m_bAfterKey = false;
};
