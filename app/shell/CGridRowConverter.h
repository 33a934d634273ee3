// app/shell/CGridRowConverter.h
#pragma once

#include <string>

#include "app/shell/SRecordPage.h"
#include "engine/core/CEngineStatus.h"

// Turns the engine's hand-over rows into the window's rows. This is the one place that knows how
// the engine marks a value's kind.
class CGridRowConverter {
  public:
    static SGridRow FromRecordRow(SRecordRow&& row);
    // The engine's rows carry texts only, with markers in place of NULL, empty and damaged
    // values; a stored text equal to a marker cannot be told apart here.
    static EGridValueKind KindOfGridText(const std::string& strText);
};
