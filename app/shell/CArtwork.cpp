// app/shell/CArtwork.cpp
#include "app/shell/CArtwork.h"

#include <QPainter>
#include <QSvgRenderer>
#include <array>

namespace {
struct SIconSource {
    const char* pszFile;
    const char* pszTheme;  // desktop theme name, or nullptr to use ours always
};

constexpr std::array<SIconSource, static_cast<std::size_t>(CArtwork::EIcon::Count)> kSources = {{
    {"ambermill", nullptr},
    {"database", nullptr},
    {"tables", nullptr},
    {"table", nullptr},
    {"table-damaged", nullptr},
    {"columns", nullptr},
    {"column", nullptr},
    {"keys", nullptr},
    {"index", nullptr},
    {"view", nullptr},
    {"procedure", nullptr},
    {"rule", nullptr},
    {"trigger", nullptr},
    {"function", nullptr},
    {"load", "document-open"},
    {"open-scan", nullptr},
    {"save-scan", "document-save"},
    {"export", nullptr},
    {"support", nullptr},
    {"help", "help-contents"},
    {"exit", "application-exit"},
    {"deleted-record", nullptr},
}};
}  // namespace

QString CArtwork::IconPath(EIcon eIcon) {
    return QStringLiteral(":/icons/%1.svg")
        .arg(QLatin1String(kSources[static_cast<std::size_t>(eIcon)].pszFile));
}

QIcon CArtwork::Icon(EIcon eIcon) {
    static std::array<QIcon, static_cast<std::size_t>(EIcon::Count)> arrCache;
    QIcon& icon = arrCache[static_cast<std::size_t>(eIcon)];
    if (icon.isNull()) {
        const SIconSource& source = kSources[static_cast<std::size_t>(eIcon)];
        QIcon ours(IconPath(eIcon));
        icon = source.pszTheme != nullptr ? QIcon::fromTheme(QLatin1String(source.pszTheme), ours)
                                          : ours;
    }
    return icon;
}

QPixmap CArtwork::Banner(int nHeight, qreal dDevicePixelRatio) {
    QSvgRenderer renderer(QStringLiteral(":/artwork/banner.svg"));
    const QSizeF size = renderer.defaultSize();
    const int nWidth = qRound(size.width() * nHeight / size.height());
    QPixmap pixmap(QSize(nWidth, nHeight) * dDevicePixelRatio);
    pixmap.setDevicePixelRatio(dDevicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, nWidth, nHeight));
    return pixmap;
}
