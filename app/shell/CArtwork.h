// app/shell/CArtwork.h
#pragma once

#include <QIcon>
#include <QPixmap>

// The program's own pictures (SVG in the resource file): icons, banner and splash.
class CArtwork {
  public:
    enum class EIcon {
        Program,
        Database,
        Tables,
        Table,
        TableDamaged,
        Columns,
        Column,
        Keys,
        Index,
        View,
        Procedure,
        Rule,
        Trigger,
        Function,
        Load,
        OpenScan,
        SaveScan,
        Export,
        Support,
        Help,
        Exit,
        DeletedRecord,
        Count
    };

    // Icons are made once and shared (GUI thread only). Toolbar commands prefer the desktop
    // theme's icon of the same meaning when one is installed.
    static QIcon Icon(EIcon eIcon);
    // Resource path of the icon's SVG.
    static QString IconPath(EIcon eIcon);
    static QPixmap Banner(int nHeight, qreal dDevicePixelRatio);
};
