// engine/scripts/CScanFile.h
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "common/Export.h"

class CArchiveReader;
class CSQLServerEngine;

// The scan file (.str): the recovered catalog in the archive encoding. After the signature and
// the version text come the database name, the data file path, eight entry counts and the eight
// sections of key/object pairs (user types, defaults, tables, views, procedures, rules, triggers,
// functions), with no count or marker of their own.
//
// Extension sections may follow the eight sections, each starting with its own tag (a string);
// a reader stops at the first tag it does not know, so later additions and a trailer leave older
// readers working. The model section (tag kModelTag) carries what the later formats add to the
// model: schemas of tables, objects and user types, a table's rows-not-read state, and per column
// the (max) marker and identity; it is written only when a scan has any of it.
class AMBERMILL_API CScanFile {
  public:
    static constexpr const char* kSignature = "varnholt";
    static constexpr const char* kModelTag = "ambermill-model-1";

    // Writes the whole scan to strPath. False with strError set when it cannot be written
    // completely.
    static bool Save(const CSQLServerEngine& engine, const std::string& strPath,
                     std::string& strError);
    // Reads everything after the signature and version text. Throws CArchiveError on damage.
    static void Load(CSQLServerEngine& engine, CArchiveReader& archive);

    // Reads the signature and returns the version text. Throws CArchiveError when the file does not
    // start with the signature.
    static std::string ReadHeader(CArchiveReader& archive);
    // A whole scan file image into an engine of its version: header, then every map emptied and
    // the rest loaded. Throws CArchiveError on damage or when the version is not the engine's.
    static void LoadImage(CSQLServerEngine& engine, std::span<const std::byte> bytes);
};
