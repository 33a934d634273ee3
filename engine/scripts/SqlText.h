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
// [schema].[name], or [name] when the object has no schema (the 2000 format keeps none).
AMBERMILL_API std::string QualifiedName(std::string_view strSchema, std::string_view strName);
// Creates the schema when the target lacks it; empty for no schema and for dbo, which every
// database has. One statement, ending its own batch.
AMBERMILL_API std::string EnsureSchema(std::string_view strSchema);
// A definition text whose CREATE statement names its object without a schema, with the schema
// put in front of the name (CREATE VIEW v -> CREATE VIEW [s].[v]), so the object lands in its
// schema rather than the connection's default; unchanged for no schema, dbo, or a name that is
// already qualified.
AMBERMILL_API std::string WithSchema(const std::string& strText, std::string_view strSchema);
}  // namespace SqlText
