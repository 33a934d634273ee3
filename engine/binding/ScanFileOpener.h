// engine/binding/ScanFileOpener.h
#pragma once

#include <memory>
#include <string>

#include "engine/core/CSQLServerEngine.h"

// Opens a scan file: reads its signature and version text, builds the engine of that version and
// lets it load the rest. nullptr with strError set on any damage.
std::unique_ptr<CSQLServerEngine> OpenScanFile(const std::string& strPath, std::string& strError);

// True when the path names a scan file (by its signature, not its extension).
bool LooksLikeScanFile(const std::string& strPath);
