// common/ScriptFile.cpp
#include "common/ScriptFile.h"

CScriptFile::~CScriptFile() {
    Close();
}

bool CScriptFile::Create(const std::filesystem::path& path) {
    Close();
    m_path = path;
    m_bFailed = false;
    m_pFile = std::fopen(path.c_str(), "wb");
    if (!m_pFile)
        m_bFailed = true;
    else
        std::setvbuf(m_pFile, nullptr, _IOFBF, kBufferSize);  // one write call per MiB, not 4 KiB
    return m_pFile != nullptr;
}

void CScriptFile::Write(std::string_view text) {
    if (!m_pFile) {
        m_bFailed = true;
        return;
    }
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), m_pFile) != text.size())
        m_bFailed = true;
}

bool CScriptFile::Close() {
    if (m_pFile) {
        if (std::fflush(m_pFile) != 0)
            m_bFailed = true;
        if (std::fclose(m_pFile) != 0)
            m_bFailed = true;
        m_pFile = nullptr;
    }
    return !m_bFailed;
}
