// engine/scripts/CObjectScript.cpp
#include "engine/scripts/CObjectScript.h"

void CObjectScript::Generate(CSQLServerEngine&, CViewStoredProc*, EObjectKind) {}
