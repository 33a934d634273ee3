// app/shell/main.cpp
// ambermill: the desktop program.
#include <QApplication>
#include <csignal>
#include <cstdio>

#include "app/shell/CAmbermillApp.h"
#include "app/shell/CAmbermillDlg.h"

int main(int argc, char** argv) {
    // A file size limit (ulimit -f) would kill the program in the middle of an export; ignored,
    // the write fails with EFBIG and the export reports it like a full disk.
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Varnholt"));
    QApplication::setApplicationName(QStringLiteral("Ambermill"));
    QApplication::setApplicationVersion(QStringLiteral("4.9"));
    QApplication::setDesktopFileName(QStringLiteral("ambermill"));

    const CAmbermillApp::SCommandLine commandLine =
        CAmbermillApp::ParseCommandLine(QApplication::arguments());
    if (commandLine.bHelp) {
        std::fputs(qPrintable(commandLine.strHelp), stdout);
        return 0;
    }
    if (commandLine.bVersion) {
        std::printf("ambermill 4.9\n");
        return 0;
    }
    CAmbermillApp program;
    program.Start(commandLine);
    return QApplication::exec();
}
