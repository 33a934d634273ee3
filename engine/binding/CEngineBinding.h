// engine/binding/CEngineBinding.h
#pragma once

#include <memory>
#include <string>

#include "engine/core/CFormatProbe.h"
#include "engine/core/CFormatTable.h"
#include "engine/core/CSQLServerEngine.h"

// The one place that maps a format to the library whose factory builds its engine. What the
// formats are (stamps, labels, scan-file versions) is the format table's.
class CEngineBinding {
  public:
    // nullptr for EEngineFormat::Unknown.
    static std::unique_ptr<CSQLServerEngine> Create(EEngineFormat eFormat);
    // By the version text a scan file carries ("2000", "2005", "2008"); nullptr for any other.
    static std::unique_ptr<CSQLServerEngine> CreateForVersionText(const std::string& strVersion);
};
