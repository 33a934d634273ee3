// app/shell/CRecentFiles.cpp
#include "app/shell/CRecentFiles.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const char* const kKey = "recentFiles";
}  // namespace

void CRecentFiles::Load(const QSettings& settings) {
    m_lstFiles = settings.value(QLatin1String(kKey)).toStringList().mid(0, kMaxFiles);
}

void CRecentFiles::Save(QSettings& settings) const {
    settings.setValue(QLatin1String(kKey), m_lstFiles);
}

QStringList CRecentFiles::Files() {
    QStringList lstExisting;
    for (const QString& strPath : m_lstFiles) {
        if (QFileInfo(strPath).isFile() && !lstExisting.contains(strPath))
            lstExisting << strPath;
    }
    m_lstFiles = lstExisting;
    return m_lstFiles;
}

void CRecentFiles::Add(const QString& strPath) {
    const QString strAbsolute = QFileInfo(strPath).absoluteFilePath();
    m_lstFiles.removeAll(strAbsolute);
    m_lstFiles.prepend(strAbsolute);
    m_lstFiles = m_lstFiles.mid(0, kMaxFiles);
}
