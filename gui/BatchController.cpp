// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/BatchController.h"

#include "gui/RadioColumn.h"
#include "gui/WindowSink.h"
#include "engine/BatchWalk.h"
#include "history/HistoryWriter.h"
#include "settings/MessageTable.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QRadioButton>
#include <QTimer>

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
            connect(row, &QRadioButton::toggled, this,
                    [this, rows] { options_.setDateSwitchRow(rows->selectedRow()); });
    }
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

void BatchController::openFiles(const std::vector<fs::path>& paths)
{
    prepareBatch();
    startBatch(paths);
}

void BatchController::startBatch(std::vector<fs::path> batchList)
{
    if (status_) {
        status_->setHidden(false);
        status_->setText(QString::fromStdString(MessageTable::text(message::kWorking)));
    }
    if (spinner_)
        spinner_->setHidden(false);
    runner_.start([this, batchList = std::move(batchList)](std::stop_token stop) { processFiles(batchList, stop); },
                  [this] { QMetaObject::invokeMethod(this, &BatchController::batchFinished, Qt::QueuedConnection); });
    emit batchStarted();
}

void BatchController::processFiles(const std::vector<fs::path>& batchList, std::stop_token stop)
{
    WindowHost host(handOver_);
    PhotoEngine engine(options_, alertLatch_, host);
    const bool keepSetsTogether = settings::read(settings::keepSetsTogether);
    auto described = options_.describe();
    described.emplace_back("change_exif_in_photo", settings::read(settings::changeExifInPhoto) ? "on" : "off");
    described.emplace_back("keep_sets_together", keepSetsTogether ? "on" : "off");
    const auto history = HistoryWriter::begin(described, batchList);
    engine.setRecorder(history.get());
    WindowSink sink(*this, handOver_, stop, history.get());
    walkBatch(
        batchList, [&engine](const PhotoSet& set) { engine.processSet(set); }, sink, stop, keepSetsTogether,
        [&engine] { engine.finishBatch(); }, &engine.goneDevices());
}

void BatchController::hideStatusLater()
{
    // Owned by nobody and never cancelled: a later batch does not stop it.
    QTimer::singleShot(4000, this, &BatchController::hideStatus);
}

void BatchController::hideStatus()
{
    if (status_)
        status_->setHidden(true);
}

void BatchController::aboutToQuit()
{
    OptionControls controls = savedAtStart();
    controls.timezones = timezones_;
    saveOptions(controls);
}

} // namespace velmora
