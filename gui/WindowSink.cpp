// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/WindowSink.h"

#include "gui/BatchController.h"
#include "gui/GuiHandOver.h"
#include "history/HistoryWriter.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QLocale>

#include <cstring>
#include <mutex>
#include <optional>

namespace velmora {
namespace {

// "Done" (message #1, the first word as ever), what the batch did in numbers,
// how many of the failed photos were not reached (their disk or share gone),
// and a link that opens the history at this batch.
QString batchSummaryText(const std::string& done, const HistoryWriter& history)
{
    const QLocale locale;
    QString counts =
        QCoreApplication::translate("DragAndDropView", "%1 renamed, %2 without a date, %3 failed")
            .arg(locale.toString(qulonglong{history.renamed()}), locale.toString(qulonglong{history.withoutDate()}),
                 locale.toString(qulonglong{history.failed()}));
    if (history.notReached() > 0)
        counts = QCoreApplication::translate("DragAndDropView", "%1 (%2 not reached: disk or share gone)")
                     .arg(counts, locale.toString(qulonglong{history.notReached()}));
    QString text = QStringLiteral("%1: %2 <a href=\"%3\">%4</a>")
                       .arg(QString::fromStdString(done).toHtmlEscaped(), counts.toHtmlEscaped(),
                            QString::fromStdString(history.id()),
                            QCoreApplication::translate("DragAndDropView", "Show in History").toHtmlEscaped());
    if (const int error = history.writeError())
        text += QStringLiteral("<br>") +
                QCoreApplication::translate("DragAndDropView",
                                            "The history of this batch could not be written in full (%1): "
                                            "Undo cannot take all of it back.")
                    .arg(QString::fromLocal8Bit(std::strerror(error)))
                    .toHtmlEscaped();
    return text;
}

} // namespace

void WindowSink::setProgress(double value)
{
    // A large folder gives thousands of entries per percent: only a change
    // is worth an event for the GUI thread.
    if (value == lastProgress_)
        return;
    lastProgress_ = value;
    QMetaObject::invokeMethod(
        &batches_, [b = &batches_, serial = serial_, value] { b->showProgress(serial, static_cast<int>(value)); },
        Qt::QueuedConnection);
}

void WindowSink::hideIndicator()
{
    // The bar is all running batches': it goes when the last one has its summary.
}

void WindowSink::setStatusText(const std::string& text)
{
    if (history_)
        history_->finish(stop_.stop_requested());
    const std::string word =
        stop_.stop_requested() ? QCoreApplication::translate("velmora::DragAndDropView", "Stopped").toStdString() : text;
    const QString t = history_ ? batchSummaryText(word, *history_) : QString::fromStdString(word).toHtmlEscaped();
    QMetaObject::invokeMethod(
        &batches_, [b = &batches_, serial = serial_, t] { b->showSummary(serial, t); }, Qt::QueuedConnection);
}

void WindowSink::setUpTimer()
{
    // The summary stays, its counts and link with it, until the next run of batches begins.
}

void WindowHost::showAlert(const AlertRequest& request)
{
    if (!silenced_)
        silenced_ = handOver_.showAlert(request);
}

StoredPreferences WindowHost::storedPreferences()
{
    return velmora::storedPreferences();
}

StoredPreferences storedPreferences(bool fresh)
{
    static std::mutex mutex;
    static std::optional<std::pair<unsigned long long, StoredPreferences>> kept;
    const std::lock_guard lock(mutex);
    // Counted before the reads: a write meanwhile makes the next call read again.
    const unsigned long long writes = settings::writeCount();
    if (fresh || !kept || kept->first != writes) {
        StoredPreferences stored;
        stored.changeExifInPhoto = settings::read(settings::changeExifInPhoto);
        stored.useOtherDate = settings::read(settings::useOtherDateWhenMissing);
        stored.clockOffsetSeconds = settings::read(settings::clockOffsetSeconds);
        stored.renameVideos = settings::read(settings::renameVideos);
        stored.shiftAllDates = settings::read(settings::shiftAllDates);
        kept.emplace(writes, stored);
    }
    return kept->second;
}

} // namespace velmora
