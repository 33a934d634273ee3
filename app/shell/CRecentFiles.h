// app/shell/CRecentFiles.h
#pragma once

#include <QStringList>

class QSettings;

// The last files loaded or opened, newest first, kept in the program's settings.
class CRecentFiles {
  public:
    static constexpr int kMaxFiles = 8;

    explicit CRecentFiles(QSettings& settings) : m_settings(settings) {}

    // The list without files that no longer exist (they are dropped from the settings too).
    QStringList Files() const;
    void Add(const QString& strPath);

  private:
    QSettings& m_settings;
};
