// engine/scripts/CScanFile.cpp
#include "engine/scripts/CScanFile.h"

bool CScanFile::Save(const CSQLServerEngine&, const std::string&, std::string& strError) {
    strError = "scan files are not written by this build yet";
    return false;
}

void CScanFile::Load(CSQLServerEngine&, CArchiveReader&) {}
