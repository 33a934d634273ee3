// app/shell/CEngineSession.h
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "app/shell/CRecoveryRun.h"
#include "engine/core/CFormatProbe.h"
#include "engine/core/CFormatTable.h"

class CRecordPageLoader;
class CSQLServerEngine;

// One engine object with everything that works on it: the recovery run and the page loader. The
// window holds one session at a time; a new recovery or opened scan replaces it. The session is
// the one owner of the engine, and its destructor stops and joins every thread that works on the
// engine before the engine is freed.
class CEngineSession : public QObject {
    Q_OBJECT

  public:
    enum class ESource { Recovering, Recovered, Stopped, ScanFile };

    // A new engine of the format for a recovery of strDataFile; nullptr for an unknown format.
    static std::unique_ptr<CEngineSession> ForRecovery(EEngineFormat eFormat,
                                                       const std::string& strDataFile);
    // A session over an engine that already holds a catalog (an opened scan file).
    static std::unique_ptr<CEngineSession> ForScan(std::unique_ptr<CSQLServerEngine> pEngine);

    struct SScanOpen {
        std::unique_ptr<CEngineSession> pSession;  // null when the file was refused
        bool bNotScanFile = false;                 // it does not start with the scan file signature
        std::string strError;                      // the reason otherwise
    };
    // Loads a scan file into a new engine; a file that does not load whole gives no session.
    static SScanOpen OpenScan(const std::string& strPath);
    // A scan file by its first bytes.
    static bool IsScanFile(const std::string& strPath);
    ~CEngineSession() override;

    CSQLServerEngine& Engine() const { return *m_pEngine; }
    CRecordPageLoader& PageLoader() const { return *m_pLoader; }
    ESource Source() const { return m_eSource; }
    // A catalog that may be exported and saved: a finished recovery or an opened scan.
    bool HasWholeCatalog() const {
        return m_eSource == ESource::Recovered || m_eSource == ESource::ScanFile;
    }
    bool IsBusy() const;

    // Writes the catalog as a scan file; false with strError set when it was not written whole.
    bool SaveScan(const std::string& strPath, std::string& strError) const;
    // Nothing was recovered: no table and no programmable object.
    bool CatalogIsEmpty() const;
    // The format's version text ("2000", "2005", "2008").
    std::string FormatVersion() const;
    // What is known of the engine's format; nullptr for a version text the table does not know.
    const SFormatInfo* Format() const;
    // An export walks the records of this engine (the grid then keeps still).
    bool ExportRunning() const;

    // Starts the recovery; the run belongs to the session. Finished moves the session to
    // Recovered or Stopped.
    CRecoveryRun& StartRecovery(CRecoveryRun::SPacing pacing);
    CRecoveryRun* Recovery() const { return m_pRecovery; }
    // Asks every thread working on the engine to end (it has not ended yet on return); a page
    // or value being read is cancelled.
    void RequestStop();

    // Labels of a format: "(SQL Server 2000)" after the database name, "2000 Format" in the
    // progress dialog.
    static QString VersionLabel(EEngineFormat eFormat);
    static QString FormatLabel(EEngineFormat eFormat);

  private:
    explicit CEngineSession(std::unique_ptr<CSQLServerEngine> pEngine, ESource eSource);

    std::unique_ptr<CSQLServerEngine> m_pEngine;
    ESource m_eSource;
    // Children of this object, destroyed (and joined) by the destructor before the engine goes.
    CRecordPageLoader* m_pLoader = nullptr;
    CRecoveryRun* m_pRecovery = nullptr;
};
