// app/shell/CAmbermillApp.cpp
#include "app/shell/CAmbermillApp.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>

#include "app/shell/CAmbermillDlg.h"
#include "app/shell/CSplashScreen.h"
#include "app/shell/CUserPrompts.h"

CAmbermillApp::SCommandLine CAmbermillApp::ParseCommandLine(const QStringList& lstArguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Recovers the contents of a SQL Server data file (.mdf) without a server."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Shows the version."));
    const QCommandLineOption noSplash(QStringLiteral("no-splash"),
                                      QStringLiteral("Starts without the splash picture."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(noSplash);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A data file (.mdf) to recover or a scan file "
                                                "(.str) to open."),
                                 QStringLiteral("[FILE]"));

    SCommandLine result;
    result.strHelp = parser.helpText();
    if (!parser.parse(lstArguments)) {
        result.strError = parser.errorText();
        return result;
    }
    result.bHelp = parser.isSet(help);
    result.bVersion = parser.isSet(version);
    result.bNoSplash = parser.isSet(noSplash);
    const QStringList lstFiles = parser.positionalArguments();
    if (lstFiles.size() > 1)
        result.strError = QStringLiteral("Only one file can be opened at a time.");
    if (!lstFiles.isEmpty())
        result.strFile = lstFiles.front();
    return result;
}

CAmbermillApp::CAmbermillApp() = default;

CAmbermillApp::~CAmbermillApp() = default;

void CAmbermillApp::Start(const SCommandLine& commandLine) {
    m_pWindow = std::make_unique<CAmbermillDlg>();
    m_pWindow->show();
    // A file to open means the user wants to work at once: no splash then.
    if (!commandLine.bNoSplash && commandLine.strFile.isEmpty())
        CSplashScreen::Show(m_pWindow.get());
    CAmbermillDlg* pWindow = m_pWindow.get();
    const SCommandLine line = commandLine;
    // Once the event loop runs, so that the window is on screen under any message.
    QTimer::singleShot(0, pWindow, [pWindow, line] {
        if (!line.strError.isEmpty()) {
            CUserPrompts::Warning(pWindow, line.strError + QStringLiteral("\n\n") + line.strHelp);
            return;
        }
        if (line.strFile.isEmpty())
            return;
        if (!QFileInfo(line.strFile).isFile()) {
            CUserPrompts::Warning(pWindow, QStringLiteral("The file %1 does not exist or is not "
                                                          "a file.")
                                               .arg(line.strFile));
            return;
        }
        pWindow->OpenPath(line.strFile);
    });
}
