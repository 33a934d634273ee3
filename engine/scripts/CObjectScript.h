// engine/scripts/CObjectScript.h
#pragma once

class CSQLServerEngine;
class CViewStoredProc;

enum class EObjectKind { View, Procedure, Rule, Trigger, Function };

// Writes one view, procedure, rule, trigger or function to its script file, or executes it.
class CObjectScript {
public:
    static void Generate(CSQLServerEngine& engine, CViewStoredProc* pObject, EObjectKind eKind);
};
