// app/shell/CRecentFiles.h
#pragma once

#include <QStringList>

class QSettings;

// The last files loaded or opened, newest first. Kept in memory while the program runs and written
// to the settings when the window closes: a settings write syncs the file to disk, which can stall
// the GUI thread for a long time on a busy disk.
class CRecentFiles {
  public:
    static constexpr int kMaxFiles = 8;

    void Load(const QSettings& settings);
    void Save(QSettings& settings) const;
    // The list without files that no longer exist (they are dropped from the list too).
    QStringList Files();
    void Add(const QString& strPath);

  private:
    QStringList m_lstFiles;
};
