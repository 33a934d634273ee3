// app/shell/CAmbermillApp.h
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class CAmbermillDlg;

// The program: reads the command line, shows the main window (and the splash), opens a file
// named on the command line, and runs until the window closes.
class CAmbermillApp {
  public:
    struct SCommandLine {
        bool bNoSplash = false;
        bool bHelp = false;
        bool bVersion = false;
        QString strFile;   // the data file or scan file to open, or empty
        QString strError;  // a bad option or argument, shown in the window
        QString strHelp;   // the usage text
    };

    // Never exits the process: a bad option is reported in strError.
    static SCommandLine ParseCommandLine(const QStringList& lstArguments);

    CAmbermillApp();
    ~CAmbermillApp();

    // Shows the window as the command line asks; the caller runs the event loop.
    void Start(const SCommandLine& commandLine);
    CAmbermillDlg* Window() const { return m_pWindow.get(); }

  private:
    std::unique_ptr<CAmbermillDlg> m_pWindow;
};
