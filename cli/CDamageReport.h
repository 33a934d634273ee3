// cli/CDamageReport.h
#pragma once

#include <string>

#include "cli/CJsonWriter.h"
#include "engine/core/CDamageLog.h"

// What one command found damaged, from the recovery and from its own walks, and how the command
// tells it: one summary line on stderr, every record with --damage (lines on stderr, or a
// "damage" array in JSON output), and exit 5 ("recovered, with damage") when the command would
// otherwise have succeeded.
class CDamageReport {
  public:
    // The sink a command's walks report to.
    CDamageLog& Log() { return m_log; }
    // Adds what another log holds (the recovery's, the status block's).
    void Add(const CDamageLog& log) { m_log.Append(log); }
    bool Empty() const { return m_log.Empty(); }

    // Prints the summary line, and with bList every record, on stderr (bListedInJson: the records
    // went into the JSON output instead). Returns the command's exit code: nExit when it is not 0
    // (a failed export's 4, nothing recovered's 3 and every error win), otherwise 5 when damage
    // was found and 0 when not.
    int Finish(int nExit, bool bList, bool bListedInJson = false) const;
    // The same without the exit code.
    void Print(bool bList, bool bListedInJson = false) const;
    // "damage": [ {"kind", "page", "slot", "object", "bytes", "detail"}, ... ] as a member of the
    // object being written.
    void WriteJson(CJsonWriter& json) const;
    // The same as the text of one member, for writers that build their JSON by hand.
    std::string JsonMember() const;

  private:
    CDamageLog m_log;
};
