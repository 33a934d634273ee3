// engine/scripts/CScanFile.h
#pragma once

#include <cstddef>
#include <filesystem>
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
// Then come tagged sections up to the end of the catalog, each its tag (string), a 32-bit version,
// the 32-bit byte length of its body and the body; a reader skips the tags and versions it does
// not know, and stops (with a line in the error log) at bytes it cannot read, keeping the catalog
// of the eight sections. kModelTag carries what the later formats add to the model: schemas of
// tables, objects and user types, a table's rows-not-read state, and per column the (max) marker.
// kSchemaTag holds keys, checks, foreign keys, indexes, identity and computed columns;
// kSparseTag the names of each table's sparse columns and column set. Each is
// written only when a scan has any of it, so files without them (older ones, and 2000 scans
// without schema parts) open with none of these parts.
//
// Files written here end with a checksum trailer after all that: the trailer's signature string,
// the number of bytes before it (64-bit, as two 32-bit halves) and their CRC-32. Readers check
// the trailer when a file has one; files without it are read as before.
class AMBERMILL_API CScanFile {
  public:
    static constexpr const char* kSignature = "varnholt";
    static constexpr const char* kModelTag = "ambermill.model";
    static constexpr const char* kSchemaTag = "ambermill.schema";
    static constexpr const char* kSparseTag = "ambermill.sparse";
    static constexpr const char* kTrailerSignature = "ambermill-crc32";
    // Its one-byte length prefix, the signature, the two halves of the length and the CRC-32.
    static constexpr std::size_t kTrailerSize = 1 + 15 + 4 + 4 + 4;

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

    // The bytes the trailer covers: the whole image when it has no trailer. Throws CArchiveError
    // when it has one that does not match (the file was changed, cut or extended).
    static std::span<const std::byte> CheckTrailer(std::span<const std::byte> bytes);
    // The file read into memory for reading, its trailer checked and left out. Throws
    // CArchiveError when the file cannot be read or its trailer does not match.
    static CArchiveReader OpenArchive(const std::filesystem::path& path);
};
