// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/BatchController.h"

#include "gui/PreviewDialog.h"
#include "gui/RadioColumn.h"
#include "gui/WindowSink.h"
#include "engine/BatchWalk.h"
#include "history/HistoryWriter.h"
#include "settings/MessageTable.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QRadioButton>
#include <QStringList>

#include <algorithm>

namespace fs = std::filesystem;

namespace velmora {
namespace {

// 0 off, 1 on, -1 mixed, as the options count them.
int stateOf(const QCheckBox* box)
{
    const Qt::CheckState state = box->checkState();
    return state == Qt::PartiallyChecked ? -1 : state == Qt::Checked ? 1 : 0;
}

std::optional<std::string> titleOf(const QComboBox* box)
{
    if (box->currentIndex() < 0)
        return std::nullopt;
    return box->currentText().toStdString();
}

// Keeps one of the options in step with its checkbox from now on.
void follow(LiveOptions& options, QCheckBox* control, void (LiveOptions::*setState)(int), QObject* context)
{
    if (!control)
        return;
    (options.*setState)(stateOf(control));
    QObject::connect(control, &QCheckBox::stateChanged, context,
                     [&options, control, setState] { (options.*setState)(stateOf(control)); });
}

} // namespace

BatchController::BatchController(QWidget* alertParent, QObject* parent) : QObject(parent), handOver_(alertParent)
{
    connect(qApp, &QCoreApplication::aboutToQuit, this, &BatchController::stopBatches);
}

BatchController::~BatchController()
{
    stopBatches();
}

void BatchController::setControls(const BatchControls& controls)
{
    const OptionControls& c = controls.saved;
    suffix_ = c.suffix;
    prefix_ = c.prefix;
    rename_ = c.rename;
    timezones_ = c.timezones;
    textToPrefix_ = c.textToPrefix;
    fixTime_ = c.fixTime;
    spinner_ = controls.spinner;
    status_ = controls.status;
    if (status_)
        status_->setTextFormat(Qt::RichText);

    follow(options_, c.suffix, &LiveOptions::setSuffixState, this);
    follow(options_, c.prefix, &LiveOptions::setPrefixState, this);
    follow(options_, c.rename, &LiveOptions::setRenameState, this);
    follow(options_, c.fixTime, &LiveOptions::setFixTimeState, this);
    if (QLineEdit* field = c.textToPrefix) {
        options_.setTextToPrefix(field->text().toStdString());
        connect(field, &QLineEdit::textChanged, this,
                [this](const QString& text) { options_.setTextToPrefix(text.toStdString()); });
    }
    if (QComboBox* popUp = c.timezones) {
        options_.setTimezonesTitle(titleOf(popUp));
        connect(popUp, &QComboBox::currentIndexChanged, this,
                [this, popUp] { options_.setTimezonesTitle(titleOf(popUp)); });
    }
    if (RadioColumn* rows = controls.dateSwitch) {
        options_.setDateSwitchRow(rows->selectedRow());
        for (QRadioButton* row : rows->rows())
            connect(row, &QRadioButton::toggled, this, [this, rows] {
                options_.setDateSwitchRow(rows->selectedRow());
                emit optionsChanged();
            });
    }
    // After the options' own connections, so that a preview reads them changed.
    for (QCheckBox* box : {c.suffix, c.prefix, c.rename, c.fixTime})
        if (box)
            connect(box, &QCheckBox::stateChanged, this, &BatchController::optionsChanged);
    if (c.textToPrefix)
        connect(c.textToPrefix, &QLineEdit::textChanged, this, &BatchController::optionsChanged);
    if (c.timezones)
        connect(c.timezones, &QComboBox::currentIndexChanged, this, &BatchController::optionsChanged);
}

OptionControls BatchController::savedAtStart() const
{
    return {suffix_, prefix_, rename_, nullptr, textToPrefix_, fixTime_};
}

void BatchController::prepareBatch()
{
    alertLatch_ = false;
    if (textToPrefix_ && textToPrefix_->text().isNull())
        textToPrefix_->setText(QStringLiteral(""));
    saveOptions(savedAtStart());
}

void BatchController::openFiles(const std::vector<fs::path>& paths, bool preview)
{
    prepareBatch();
    requestBatch(paths, preview);
}

void BatchController::requestBatch(std::vector<fs::path> batchList, bool preview)
{
    if (!preview && !settings::read(settings::previewBeforeRenaming)) {
        startBatch(std::move(batchList));
        return;
    }
    auto* dialog = new PreviewDialog(std::move(batchList), settings::read(settings::keepSetsTogether), options_,
                                     status_ ? status_->window() : nullptr);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &BatchController::optionsChanged, dialog, &PreviewDialog::optionsChanged);
    connect(dialog, &PreviewDialog::confirmed, this,
            [this](std::shared_ptr<const PreviewPlan> plan, const std::vector<fs::path>& list) {
                prepareBatch();
                startBatch(list, std::move(plan));
            });
    dialog->show();
}

void BatchController::startBatch(std::vector<fs::path> batchList, std::shared_ptr<const PreviewPlan> plan)
{
    // The summaries of earlier batches stay until a new run of batches begins.
    if (std::none_of(lines_.begin(), lines_.end(), [](const BatchLine& l) { return l.running; }))
        lines_.clear();
    const int serial = nextSerial_++;
    lines_.push_back({serial, 0, QString::fromStdString(MessageTable::text(message::kWorking)).toHtmlEscaped(), true});
    showBatches();
    runner_.start([this, serial, batchList = std::move(batchList), plan = std::move(plan)](
                      std::stop_token stop) { processFiles(batchList, serial, stop, plan); },
                  [this, serial] {
                      QMetaObject::invokeMethod(this, [this, serial] { batchEnded(serial); }, Qt::QueuedConnection);
                  });
    emit batchStarted();
}

void BatchController::showProgress(int serial, int value)
{
    for (BatchLine& line : lines_)
        if (line.serial == serial)
            line.progress = value;
    showBatches();
}

void BatchController::showSummary(int serial, const QString& summary)
{
    for (BatchLine& line : lines_)
        if (line.serial == serial) {
            line.text = summary;
            line.progress = 100;
            line.running = false;
        }
    showBatches();
}

void BatchController::batchEnded(int serial)
{
    for (BatchLine& line : lines_)
        if (line.serial == serial && line.running) {
            line.progress = 100;
            line.running = false;
        }
    showBatches();
    emit batchFinished();
}

void BatchController::showBatches()
{
    // One bar for all of them: ended batches count as whole.
    int sum = 0;
    bool running = false;
    QStringList texts;
    for (const BatchLine& line : lines_) {
        sum += line.progress;
        running = running || line.running;
        texts.append(line.text);
    }
    if (spinner_) {
        if (!lines_.empty())
            spinner_->setValue(sum / static_cast<int>(lines_.size()));
        spinner_->setHidden(!running);
    }
    if (status_) {
        status_->setText(texts.join(QStringLiteral("<br>")));
        status_->setHidden(lines_.empty());
    }
}

void BatchController::processFiles(const std::vector<fs::path>& batchList, int serial, std::stop_token stop,
                                   const std::shared_ptr<const PreviewPlan>& plan)
{
    WindowHost host(handOver_);
    PhotoEngine engine(options_, alertLatch_, host);
    engine.followPlan(plan);
    const bool keepSetsTogether = plan ? plan->keepSetsTogether : settings::read(settings::keepSetsTogether);
    const StoredPreferences stored = plan ? plan->options().stored : storedPreferences(true);
    auto described = options_.describe();
    described.emplace_back("change_exif_in_photo", stored.changeExifInPhoto ? "on" : "off");
    described.emplace_back("keep_sets_together", keepSetsTogether ? "on" : "off");
    described.emplace_back("use_other_date_when_missing", stored.useOtherDate ? "on" : "off");
    described.emplace_back("clock_offset_seconds", std::to_string(stored.clockOffsetSeconds));
    described.emplace_back("rename_videos", stored.renameVideos ? "on" : "off");
    described.emplace_back("shift_all_dates", stored.shiftAllDates ? "on" : "off");
    described.emplace_back("preview", plan ? "on" : "off");
    const auto history = HistoryWriter::begin(described, batchList);
    engine.setRecorder(history.get());
    WindowSink sink(*this, serial, stop, history.get());
    walkBatch(
        batchList, [&engine](const PhotoSet& set) { engine.processSet(set); }, sink, stop, keepSetsTogether,
        [&engine] { engine.finishBatch(); }, &engine.goneDevices());
}

void BatchController::aboutToQuit()
{
    OptionControls controls = savedAtStart();
    controls.timezones = timezones_;
    saveOptions(controls);
}

} // namespace velmora
