// tests/support/FrontEndLayering.h
#pragma once

#include <set>
#include <string>

namespace FrontEndLayering {
// Engine headers a front end may include: the interface, the status block, the damage records and
// their log, the format table and probe, the binding, the model, typed values and their
// formatters, the grid cursor, export contexts, scan files and scripts.
const std::set<std::string>& PublicEngineHeaders();
// What a shell command prints on its standard output (empty when it cannot be started).
std::string Output(const std::string& strCommand);
}  // namespace FrontEndLayering
