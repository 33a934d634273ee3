// bench/gui.cpp
// The desktop window's speed, offscreen: builds a data file (1 GiB by default) holding a table of
// 1,000,000 rows and a filler table, recovers it through the real main window while a 5 ms timer
// on the GUI thread records the longest gap between its ticks (a gap far above 5 ms means the GUI
// thread was blocked), then times from the selection of the large table to its first page
// painted, and each next page. Usage: gui [MiB]
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidgetItem>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchSupport.h"
#include "app/shell/CAmbermillDlg.h"
#include "app/shell/CObjectTree.h"
#include "app/shell/CProgressDlg.h"
#include "app/shell/CRecordGrid.h"
#include "app/shell/CRecordGridModel.h"
#include "app/shell/CUserPrompts.h"
#include "common/ExecutionLog.h"
#include "fixtures/CDataFileBuilder.h"
#include "fixtures/ValueEncoding.h"

using namespace fixtures;

namespace {
constexpr std::uint64_t kRows = 1000000;
constexpr int kNextPages = 30;
constexpr int kFirstPageRuns = 7;
constexpr int kRecoveries = 3;

// Times every event the GUI thread dispatches (outermost dispatch only): the longest one is the
// longest stretch our code kept the GUI thread busy, whatever the machine's load.
class CTimedApplication : public QApplication {
  public:
    using QApplication::QApplication;

    bool notify(QObject* pReceiver, QEvent* pEvent) override {
        if (m_nDepth > 0 || !m_bRecording)
            return DepthNotify(pReceiver, pEvent);
        // Read before the dispatch: the event may delete its receiver.
        const char* pszClass = pReceiver->metaObject()->className();
        const QString strName = pReceiver->objectName();
        const int nType = pEvent->type();
        QElapsedTimer clock;
        clock.start();
        const bool bResult = DepthNotify(pReceiver, pEvent);
        const qint64 nNs = clock.nsecsElapsed();
        if (nNs > m_nLongestNs) {
            m_nLongestNs = nNs;
            m_nLongestType = nType;
            m_strLongestReceiver = QString::fromLatin1(pszClass) + QLatin1Char(' ') + strName;
        }
        return bResult;
    }
    void Record(bool bOn) {
        m_bRecording = bOn;
        if (bOn) {
            m_nLongestNs = 0;
            m_nLongestType = 0;
        }
    }
    double LongestMs() const { return m_nLongestNs / 1e6; }
    int LongestType() const { return m_nLongestType; }
    QString LongestReceiver() const { return m_strLongestReceiver; }

  private:
    bool DepthNotify(QObject* pReceiver, QEvent* pEvent) {
        ++m_nDepth;
        const bool bResult = QApplication::notify(pReceiver, pEvent);
        --m_nDepth;
        return bResult;
    }

    int m_nDepth = 0;
    bool m_bRecording = false;
    qint64 m_nLongestNs = 0;
    int m_nLongestType = 0;
    QString m_strLongestReceiver;
};

// Records the longest time between two ticks of a fast timer on the GUI thread; on a loaded
// machine this also counts the time the thread waited for a core.
class CGapMeter {
  public:
    CGapMeter() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 nNow = m_clock.nsecsElapsed();
            if (m_nLast >= 0)
                m_nMaxGapNs = std::max(m_nMaxGapNs, nNow - m_nLast);
            m_nLast = nNow;
            ++m_nTicks;
        });
    }
    void Start() {
        m_clock.start();
        m_nLast = -1;
        m_nMaxGapNs = 0;
        m_nTicks = 0;
        m_timer.start();
    }
    void Stop() { m_timer.stop(); }
    double MaxGapMs() const { return m_nMaxGapNs / 1e6; }
    long Ticks() const { return m_nTicks; }

  private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_nLast = -1;
    qint64 m_nMaxGapNs = 0;
    long m_nTicks = 0;
};

// Milliseconds from fnStart to the next page shown and painted.
double TimePage(CAmbermillDlg& window, CRecordGrid& grid, const std::function<void()>& fnStart) {
    QEventLoop loop;
    QObject::connect(&window, &CAmbermillDlg::PageShown, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    fnStart();
    loop.exec();
    grid.viewport()->repaint();
    return clock.nsecsElapsed() / 1e6;
}

struct SStats {
    double dMin = 0, dMedian = 0, dMax = 0;
};

SStats Stats(std::vector<double> vec) {
    std::sort(vec.begin(), vec.end());
    return {vec.front(), vec[vec.size() / 2], vec.back()};
}
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::uint64_t nMiB = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    BenchSupport::CScratchDir scratch;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((scratch.Path() / "config").string()));
    CExecutionLog::SetLogFolderForTesting(scratch.Path() / "Log Files");
    CTimedApplication app(argc, argv);
    CUserPrompts::SetTestMode(true);

    // The large table: about 60-byte rows; then wide filler rows up to the file size asked for.
    CDataFileBuilder builder("BenchGui");
    const std::uint32_t nBig = builder.AddTable("Big", {{"Id", kTypeInt, 4},
                                                        {"Name", kTypeVarChar, 40},
                                                        {"Amount", kTypeMoney, 8},
                                                        {"Created", kTypeDatetime, 8}});
    builder.AddGeneratedRows(nBig, kRows, [](std::uint64_t i) -> std::vector<Value> {
        return {EncodeInt32(static_cast<std::int32_t>(i + 1)),
                EncodeVarchar("customer " + std::to_string(i % 9973)),
                EncodeMoney(static_cast<std::int64_t>(i * 137 % 1000000)),
                EncodeDatetime(38000 + static_cast<std::int32_t>(i % 3000), 0)};
    });
    const std::uint64_t nBigBytes = kRows * 64;
    const std::uint64_t nWanted = nMiB * 1048576;
    if (nWanted > nBigBytes) {
        const std::uint32_t nFiller =
            builder.AddTable("Filler", {{"Id", kTypeInt, 4}, {"Text", kTypeChar, 3900}});
        const std::uint64_t nFillerRows = (nWanted - nBigBytes) / 4096;
        builder.AddGeneratedRows(nFiller, nFillerRows, [](std::uint64_t i) -> std::vector<Value> {
            return {EncodeInt32(static_cast<std::int32_t>(i)), EncodeChar("filler", 3900)};
        });
    }
    const auto path = scratch.Path() / "bench-gui.mdf";
    const double dBuild = BenchSupport::Seconds([&] { builder.WriteTo(path); });
    const std::uint64_t nFileBytes = std::filesystem::file_size(path);
    std::printf("data file: %.0f MiB, %u pages, table Big of %llu rows (built in %.1f s)\n",
                nFileBytes / 1048576.0, builder.PageCount(), static_cast<unsigned long long>(kRows),
                dBuild);

    CAmbermillDlg window;
    window.resize(1280, 800);
    window.show();
    auto* pGrid = window.findChild<CRecordGrid*>(QStringLiteral("recordGrid"));
    // The window's first paint is start-up work, not part of a recovery.
    {
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 500)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
    }

    // Recovery: the GUI thread only answers queued posts and a 100 ms poll. Three runs; each new
    // one also retires the engine of the run before.
    CGapMeter meter;
    for (int nRun = 1; nRun <= kRecoveries; ++nRun) {
        CUserPrompts::SetNextAnswer(false);
        window.SetMdfPath(QString::fromStdString(path.string()));
        meter.Start();
        app.Record(true);
        QElapsedTimer clock;
        clock.start();
        window.OnRecover();
        const double dCommandMs = clock.nsecsElapsed() / 1e6;
        CProgressDlg* pDialog = window.ProgressDialog();
        if (pDialog == nullptr) {
            std::fprintf(stderr, "gui: the recovery did not start\n");
            return 1;
        }
        while (!pDialog->RecoveryFinished())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double dRecovery = clock.nsecsElapsed() / 1e9;
        meter.Stop();
        app.Record(false);
        std::printf(
            "recovery %d: %.2f s (%.0f MB/s); on the GUI thread: the Recover command "
            "%.1f ms, the longest event %.1f ms (type %d to %s), the longest gap between ticks "
            "of a 5 ms timer %.1f ms over %ld ticks (limit 16 ms)\n",
            nRun, dRecovery, nFileBytes / 1e6 / dRecovery, dCommandMs, app.LongestMs(),
            app.LongestType(), qPrintable(app.LongestReceiver()), meter.MaxGapMs(), meter.Ticks());
        QEventLoop loop;
        QObject::connect(&window, &CAmbermillDlg::RecoveryEnded, &loop, &QEventLoop::quit);
        pDialog->findChild<QPushButton*>(QStringLiteral("btnStop"))->click();
        loop.exec();
    }

    QTreeWidgetItem* pTables = window.Tree()->Category(CObjectTree::kTables);
    QTreeWidgetItem* pBig = nullptr;
    for (int i = 0; i < pTables->childCount(); ++i) {
        if (pTables->child(i)->text(0) == QStringLiteral("Big"))
            pBig = pTables->child(i);
    }
    if (pBig == nullptr) {
        std::fprintf(stderr, "gui: table Big not recovered\n");
        return 1;
    }

    // First page: from the selection of the table to the page painted, several times.
    std::vector<double> vecFirst;
    for (int i = 0; i < kFirstPageRuns; ++i) {
        window.Tree()->setCurrentItem(pTables);
        vecFirst.push_back(TimePage(window, *pGrid, [&] { window.Tree()->setCurrentItem(pBig); }));
    }
    const int nRowsShown = window.GridModel()->rowCount();

    // Next pages, with the GUI thread's longest gap meanwhile.
    std::vector<double> vecNext;
    auto* pNext = window.findChild<QPushButton*>(QStringLiteral("btnNextPage"));
    meter.Start();
    for (int i = 0; i < kNextPages; ++i)
        vecNext.push_back(TimePage(window, *pGrid, [&] { pNext->click(); }));
    meter.Stop();
    std::vector<double> vecPrevious;
    auto* pPrevious = window.findChild<QPushButton*>(QStringLiteral("btnPreviousPage"));
    for (int i = 0; i < 10; ++i)
        vecPrevious.push_back(TimePage(window, *pGrid, [&] { pPrevious->click(); }));

    const SStats first = Stats(vecFirst);
    const SStats next = Stats(vecNext);
    const SStats previous = Stats(vecPrevious);
    std::printf(
        "first page (%d rows), selection to painted: min %.1f ms, median %.1f ms, max %.1f "
        "ms over %d runs (limit 50 ms)\n",
        nRowsShown, first.dMin, first.dMedian, first.dMax, kFirstPageRuns);
    std::printf(
        "next page, click to painted: min %.1f ms, median %.1f ms, max %.1f ms over %d "
        "pages (limit 50 ms); GUI thread's longest gap meanwhile %.1f ms\n",
        next.dMin, next.dMedian, next.dMax, kNextPages, meter.MaxGapMs());
    std::printf(
        "previous page, click to painted: min %.1f ms, median %.1f ms, max %.1f ms over "
        "10 pages\n",
        previous.dMin, previous.dMedian, previous.dMax);
    return 0;
}
