// app/shell/CRecentFiles.cpp
#include "app/shell/CRecentFiles.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const char* const kKey = "recentFiles";
}  // namespace

QStringList CRecentFiles::Files() const {
    const QStringList lstStored = m_settings.value(QLatin1String(kKey)).toStringList();
    QStringList lstExisting;
    for (const QString& strPath : lstStored) {
        if (QFileInfo(strPath).isFile() && !lstExisting.contains(strPath))
            lstExisting << strPath;
    }
    if (lstExisting != lstStored)
        m_settings.setValue(QLatin1String(kKey), lstExisting);
    return lstExisting.mid(0, kMaxFiles);
}

void CRecentFiles::Add(const QString& strPath) {
    const QString strAbsolute = QFileInfo(strPath).absoluteFilePath();
    QStringList lstFiles = m_settings.value(QLatin1String(kKey)).toStringList();
    lstFiles.removeAll(strAbsolute);
    lstFiles.prepend(strAbsolute);
    m_settings.setValue(QLatin1String(kKey), lstFiles.mid(0, kMaxFiles));
}
