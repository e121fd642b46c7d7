// SPDX-License-Identifier: GPL-3.0-or-later
// The preview of a large folder in the real window, offscreen, as a user opens
// it with --preview: the time to the first rows in the table and to the whole
// table, how late a 5 ms timer on the GUI thread fires meanwhile (the window
// never freezes), and the process's peak memory with every row held.
//
//   QT_QPA_PLATFORM=offscreen velmora_preview_probe DIR
#include "gui/Application.h"
#include "gui/BatchController.h"
#include "gui/PreviewDialog.h"
#include "gui/PreviewModel.h"
#include "gui/VelmoraAppDelegate.h"
#include "files/Platform.h"

#include <QApplication>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2)
        return std::fprintf(stderr, "usage: %s DIR\n", argv[0]), 2;
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QTemporaryDir config; // the user's own preferences stay untouched
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    velmora::initializePlatform();
    velmora::Application application;
    velmora::VelmoraAppDelegate delegate(application);
    delegate.start();

    using clock = std::chrono::steady_clock;
    auto msSince = [](clock::time_point t) { return std::chrono::duration<double, std::milli>(clock::now() - t).count(); };
    constexpr auto period = std::chrono::milliseconds(5);
    std::vector<double> lateMs;
    auto expected = clock::now() + period;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const auto now = clock::now();
        lateMs.push_back(std::max(0.0, std::chrono::duration<double, std::milli>(now - expected).count()));
        expected = now + period;
    });
    const auto start = clock::now();
    double firstMs = -1, fullMs = -1;
    int rows = 0;
    QTimer::singleShot(0, [&] {
        expected = clock::now() + period;
        probe.start(period);
        delegate.batches()->openFiles({std::filesystem::absolute(argv[1])}, true);
        auto* dialog = delegate.window()->findChild<velmora::PreviewDialog*>();
        if (!dialog) {
            QCoreApplication::exit(1);
            return;
        }
        QObject::connect(dialog->model(), &QAbstractItemModel::rowsInserted, [&] {
            if (firstMs < 0)
                firstMs = msSince(start);
        });
        QObject::connect(dialog, &velmora::PreviewDialog::completed, [&, dialog] {
            fullMs = msSince(start);
            rows = dialog->model()->rowCount();
            QTimer::singleShot(50, &app, &QCoreApplication::quit);
        });
    });
    const int status = QApplication::exec();
    probe.stop();
    std::sort(lateMs.begin(), lateMs.end());
    auto pct = [&](double p) {
        return lateMs.empty() ? 0.0 : lateMs[std::min(lateMs.size() - 1, static_cast<size_t>(p * lateMs.size()))];
    };
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("preview-probe rows=%d first_rows_ms=%.0f full_table_ms=%.0f late_p50_ms=%.2f late_p99_ms=%.2f "
                "late_max_ms=%.2f peak_rss_kb=%ld\n",
                rows, firstMs, fullMs, pct(0.50), pct(0.99), lateMs.empty() ? 0.0 : lateMs.back(), usage.ru_maxrss);
    return status;
}
