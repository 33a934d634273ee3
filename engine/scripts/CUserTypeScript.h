// engine/scripts/CUserTypeScript.h
#pragma once

#include <string>

#include "common/Export.h"

class CSQLServerEngine;
class CUserType;

// sp_addtype statements for the user data types of the catalog.
class AMBERMILL_API CUserTypeScript {
  public:
    // The statement for one type, without the batch separator.
    static std::string Statement(const CUserType& type);
    // Writes every statement to m_hUserTypesFile (then closes it) or executes it on m_pDatabase.
    static void Generate(CSQLServerEngine& engine);
};
