// SPDX-License-Identifier: GPL-3.0-or-later
// How responsive the real window stays during a batch: the application comes
// up offscreen as it does for a user, a folder is opened with it, and a 5 ms
// timer on the GUI thread measures how late each of its ticks fires until the
// batch is done. Alerts are answered as they appear.
//
// With "history", the history window then opens at the batch: how long until
// its photos are shown, with the window's lateness measured all the while
// (VELMORA_PROBE_HOLD_MS keeps it open longer, for a screenshot).
//
// With "drop-cold", DIR's files are dropped from the page cache once the
// window is up, then DIR is opened as a drop does: batch_seconds is then the
// time from the drop on the running window to the batch's end.
//
//   QT_QPA_PLATFORM=offscreen velmora_gui_probe DIR [move|shift|history|drop-cold]
#include "gui/Application.h"
#include "gui/HistoryWindow.h"
#include "settings/Settings.h"
#include "gui/VelmoraAppDelegate.h"
#include "gui/BatchController.h"
#include "files/Platform.h"

#include <QApplication>
#include <QCheckBox>
#include <QMainWindow>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

void dropFromCache(const char* dir)
{
    ::sync();
    DIR* d = opendir(dir);
    for (dirent* e; d && (e = readdir(d));)
        if (const int fd = openat(dirfd(d), e->d_name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC); fd >= 0) {
            posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            close(fd);
        }
    if (d)
        closedir(d);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return std::fprintf(stderr, "usage: %s DIR [move|shift|history]\n", argv[0]), 2;
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // The user's own preferences stay untouched.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    velmora::initializePlatform();
    // In the user's language, as the built velmora beside us shows it.
    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("velmora"), QStringLiteral("_"),
                        QCoreApplication::applicationDirPath() + QStringLiteral("/../translations")))
        QCoreApplication::installTranslator(&translator);

    velmora::Application application;
    velmora::VelmoraAppDelegate delegate(application);
    delegate.start();
    if (argc > 2 && std::string(argv[2]) == "shift") {
        delegate.fixTime()->setCheckState(Qt::Checked);
        velmora::settings::write(velmora::settings::changeExifInPhoto, true);
    }

    using clock = std::chrono::steady_clock;
    constexpr auto period = std::chrono::milliseconds(5);
    std::vector<double> lateMs;
    size_t alerts = 0;
    auto expected = clock::now() + period;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const auto now = clock::now();
        lateMs.push_back(std::max(0.0, std::chrono::duration<double, std::milli>(now - expected).count()));
        expected = now + period;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                ++alerts;
                box->accept();
            }
    });

    auto start = clock::now();
    double batchSeconds = 0;
    double historyMs = -1;
    const bool history = argc > 2 && std::string(argv[2]) == "history";
    const int holdMs = std::max(50, qEnvironmentVariableIntValue("VELMORA_PROBE_HOLD_MS"));
    QObject::connect(delegate.batches(), &velmora::BatchController::batchFinished, [&] {
        batchSeconds = std::chrono::duration<double>(clock::now() - start).count();
        if (!history) {
            QTimer::singleShot(50, &app, &QCoreApplication::quit);
            return;
        }
        const auto opened = clock::now();
        QObject::connect(delegate.history(), &velmora::HistoryWindow::batchLoaded, [&, opened] {
            historyMs = std::chrono::duration<double, std::milli>(clock::now() - opened).count();
            QTimer::singleShot(holdMs, &app, &QCoreApplication::quit);
        });
        delegate.history()->showBatch();
    });
    QTimer::singleShot(0, [&] {
        if (argc > 2 && std::string(argv[2]) == "drop-cold")
            dropFromCache(argv[1]);
        start = clock::now();
        expected = clock::now() + period;
        probe.start(period);
        application.openFiles({std::filesystem::absolute(argv[1])});
    });
    QApplication::exec();
    probe.stop();
    delegate.batches()->stopBatches();

    std::sort(lateMs.begin(), lateMs.end());
    auto pct = [&](double p) {
        return lateMs.empty() ? 0.0 : lateMs[std::min(lateMs.size() - 1, static_cast<size_t>(p * lateMs.size()))];
    };
    std::printf("gui-probe batch_seconds=%.2f ticks=%zu late_p50_ms=%.2f late_p99_ms=%.2f late_max_ms=%.2f "
                "alerts=%zu history_open_ms=%.1f\n",
                batchSeconds, lateMs.size(), pct(0.50), pct(0.99), lateMs.empty() ? 0.0 : lateMs.back(), alerts,
                historyMs);
    return 0;
}
