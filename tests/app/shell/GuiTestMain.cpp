// tests/app/shell/GuiTestMain.cpp
// The widget tests run headless: the offscreen platform unless the caller chose another, private
// settings and logs, and every prompt answered by the test hooks.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>

#include "app/shell/CUserPrompts.h"
#include "common/ExecutionLog.h"
#include "support/TestFiles.h"

namespace {
QtMessageHandler g_fnDefaultHandler = nullptr;

// The offscreen platform says on every window that it cannot pass size hints on; nothing to see.
void QuietHandler(QtMsgType eType, const QMessageLogContext& context, const QString& strMessage) {
    if (strMessage.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    if (g_fnDefaultHandler != nullptr)
        g_fnDefaultHandler(eType, context, strMessage);
}
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TestFiles::CTempDir home;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((home / "config").string()));
    const auto runtime = home / "runtime";
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.string()));
    CExecutionLog::SetLogFolderForTesting(home / "Log Files");

    g_fnDefaultHandler = qInstallMessageHandler(QuietHandler);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Varnholt"));
    QApplication::setApplicationName(QStringLiteral("AmbermillTests"));
    CUserPrompts::SetTestMode(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
