// engine/scripts/SqlText.h
#pragma once

#include <string>
#include <string_view>

#include "common/Export.h"

// Pieces of T-SQL text shared by every statement the engine builds.
namespace SqlText {
// [name] with every ']' doubled, so a name cannot end the identifier early. CR and LF become '_'
// (see ScriptName): a name never breaks a line of a script.
AMBERMILL_API std::string Bracket(std::string_view strName);
// The name as statements write it: CR and LF replaced by '_'. A line break inside a name would
// let a line of the name stand alone in a script, where osql and sqlcmd take "go" for the end of
// a batch.
AMBERMILL_API std::string ScriptName(std::string_view strName);
// True when statements write the name differently from the catalog (it holds CR or LF).
AMBERMILL_API bool NeedsRenaming(std::string_view strName);
// 'text' with every "'" doubled, safe in a script (see AppendQuoted).
AMBERMILL_API std::string Quote(std::string_view strText);

// True when osql or sqlcmd would read the line (without its line end) as one of their own
// commands instead of T-SQL: the batch separator "go" (any case, blanks around it, a count or
// anything else after it that is no part of a word), a line starting with ':' or "!!", and the
// words osql obeys alone at a line start ("exit", "quit", "reset", "ed").
AMBERMILL_API bool IsRunnerCommand(std::string_view strLine);
// Appends 'text' with every "'" doubled. In a script (bScript), a line break followed by a line
// that a runner would take for its own command is written outside the quotes as
// '+CHAR(13)+CHAR(10)+', so that line no longer starts a line of the script and the value still
// reads back unchanged.
AMBERMILL_API void AppendQuoted(std::string_view strText, std::string& strOut, bool bScript);
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
