// How responsive the real window stays during a batch: the application comes
// up offscreen as it does for a user, a folder is opened with it, and a 5 ms
// timer on the GUI thread measures how late each of its ticks fires until the
// batch is done. Alerts are answered as they appear.
//
//   QT_QPA_PLATFORM=offscreen velmora_gui_probe DIR [move|shift]
#include "app/Application.h"
#include "app/Settings.h"
#include "app/VelmoraAppDelegate.h"
#include "dropzone/DragAndDropView.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QCheckBox>
#include <QMainWindow>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2)
        return std::fprintf(stderr, "usage: %s DIR [move|shift]\n", argv[0]), 2;
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // The user's own preferences stay untouched.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setOrganizationName(QStringLiteral("Velmora"));
    velmora::initializePlatform();

    velmora::Application application;
    velmora::VelmoraAppDelegate delegate(application);
    delegate.applicationDidFinishLaunching();
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

    const auto start = clock::now();
    double batchSeconds = 0;
    QObject::connect(delegate.dropView(), &velmora::DragAndDropView::batchFinished, [&] {
        batchSeconds = std::chrono::duration<double>(clock::now() - start).count();
        QTimer::singleShot(50, &app, &QCoreApplication::quit);
    });
    QTimer::singleShot(0, [&] {
        expected = clock::now() + period;
        probe.start(period);
        application.openFiles({std::filesystem::absolute(argv[1])});
    });
    QApplication::exec();
    probe.stop();
    delegate.dropView()->stopBatches();

    std::sort(lateMs.begin(), lateMs.end());
    auto pct = [&](double p) {
        return lateMs.empty() ? 0.0 : lateMs[std::min(lateMs.size() - 1, static_cast<size_t>(p * lateMs.size()))];
    };
    std::printf("gui-probe batch_seconds=%.2f ticks=%zu late_p50_ms=%.2f late_p99_ms=%.2f late_max_ms=%.2f "
                "alerts=%zu\n",
                batchSeconds, lateMs.size(), pct(0.50), pct(0.99), lateMs.empty() ? 0.0 : lateMs.back(), alerts);
    return 0;
}
