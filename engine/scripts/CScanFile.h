// engine/scripts/CScanFile.h
#pragma once

#include <string>

class CArchiveReader;
class CSQLServerEngine;

// The scan file (.str): the recovered catalog in the archive encoding.
class CScanFile {
public:
    // Writes the whole scan to strPath. False with strError set when it cannot be written completely.
    static bool Save(const CSQLServerEngine& engine, const std::string& strPath, std::string& strError);
    // Reads everything after the signature and version text. Throws CArchiveError on damage.
    static void Load(CSQLServerEngine& engine, CArchiveReader& archive);
};
