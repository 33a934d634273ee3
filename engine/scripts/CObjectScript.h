// engine/scripts/CObjectScript.h
#pragma once

#include "common/Export.h"

class CScriptFile;
class CSQLServerEngine;
class CViewStoredProc;

enum class EObjectKind { View, Procedure, Rule, Trigger, Function };

// Writes one view, procedure, rule, trigger or function to its script file, or executes it.
// The definition text is sent as recovered, with only a line break added.
class AMBERMILL_API CObjectScript {
  public:
    static void Generate(CSQLServerEngine& engine, CViewStoredProc* pObject, EObjectKind eKind);
    // The script file handle of the kind's category.
    static CScriptFile* ScriptFile(const CSQLServerEngine& engine, EObjectKind eKind);
    static const char* KindName(EObjectKind eKind);
};
