// engine/scripts/SqlText.h
#pragma once

#include <string>
#include <string_view>

#include "common/Export.h"

// Pieces of T-SQL text shared by every statement the engine builds.
namespace SqlText {
// [name] with every ']' doubled, so a name cannot end the identifier early.
AMBERMILL_API std::string Bracket(std::string_view strName);
// 'text' with every "'" doubled.
AMBERMILL_API std::string Quote(std::string_view strText);
}  // namespace SqlText
