// engine/binding/ScanFileOpener.h
#pragma once

#include <memory>
#include <string>

#include "engine/core/CSQLServerEngine.h"

// Why a scan file could not be opened; the front ends word each case for their users.
enum class EScanOpenError {
    None,
    Unreadable,      // the file cannot be read at all
    NotScanFile,     // it does not start with the scan file signature
    UnknownVersion,  // the signature is right but no engine reads its version text
    Damaged,         // truncated or inconsistent after the header
};

struct SScanOpenResult {
    // The loaded engine; null unless eError is None. A failed load never hands out a half-loaded
    // engine.
    std::unique_ptr<CSQLServerEngine> pEngine;
    EScanOpenError eError = EScanOpenError::None;
    std::string strError;  // one line naming the file and the reason
};

// Opens a scan file: checks its signature, reads its version text, builds the engine of that
// version and lets it load the rest.
SScanOpenResult OpenScanFileChecked(const std::string& strPath);

// The same, for callers that need only the engine: nullptr with strError set on any failure.
std::unique_ptr<CSQLServerEngine> OpenScanFile(const std::string& strPath, std::string& strError);

// True when the path names a scan file (by its signature, not its extension).
bool LooksLikeScanFile(const std::string& strPath);
