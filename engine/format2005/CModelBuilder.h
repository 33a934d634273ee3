// engine/format2005/CModelBuilder.h
#pragma once

#include "engine/core/CSQLServerEngine.h"
#include "engine/format2005/CCatalog.h"

namespace format2005 {

// Fills the shared database model of an engine from the catalog of a 2005+ file, in the stages
// of a recovery. Map keys are object ids (user types: type ids), as the 2000 reader keys them.
class CModelBuilder {
  public:
    // REQUIRES: catalog and engine outlive the builder.
    CModelBuilder(const CCatalog& catalog, CSQLServerEngine& engine)
        : m_catalog(catalog), m_engine(engine) {}

    // User types, and every table and programmable object by name and schema.
    void AddObjects();
    // Definition texts, defaults, and the columns of every table.
    void AddTextsAndColumns();

    // Why a table's rows are not read ("page compression: rows not read"), or empty.
    static std::string RowsNotRead(const STable& table);

  private:
    const SModule* Module(std::int32_t nObjectId) const;
    // Keys, indexes, checks and foreign keys of one table.
    void AddSchemaParts(const STable& table, CTable& target) const;

    const CCatalog& m_catalog;
    CSQLServerEngine& m_engine;
};

}  // namespace format2005
