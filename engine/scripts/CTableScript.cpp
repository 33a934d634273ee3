// engine/scripts/CTableScript.cpp
#include "engine/scripts/CTableScript.h"

void CTableScript::Generate(CSQLServerEngine&, CRecordExtractor&, CTable*, COdbcConnection*) {}
