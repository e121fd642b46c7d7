// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/HistoryWindow.h"

#include "engine/BatchUndo.h"
#include "ui_HistoryWindow.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QUrl>

#include <algorithm>

namespace fs = std::filesystem;

namespace velmora {
namespace {

bool isRunning(const BatchSummary& b)
{
    return !b.finished && HistoryWriter::isRunning(b.id);
}

bool undoable(const BatchSummary& b)
{
    return b.undo != BatchSummary::Undo::Done && !isRunning(b);
}

} // namespace

HistoryWindow::HistoryWindow(QWidget* parent) : QWidget(parent, Qt::Window), ui_(std::make_unique<Ui::HistoryWindow>())
{
    ui_->setupUi(this);
    ui_->photos->setModel(&model_);
    ui_->photos->verticalHeader()->hide();
    // Fixed row heights: the view never measures 100,000 rows.
    ui_->photos->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ui_->photos->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    ui_->photos->horizontalHeader()->setStretchLastSection(true);
    ui_->photos->setColumnWidth(BatchPhotoModel::OldName, 180);
    ui_->photos->setColumnWidth(BatchPhotoModel::NewName, 220);
    ui_->photos->setColumnWidth(BatchPhotoModel::Folder, 220);
    ui_->batches->setColumnWidth(0, 200);
    ui_->splitter->setSizes({160, 400});

    connect(ui_->batches, &QTreeWidget::currentItemChanged, this, [this] {
        loadPhotos();
        updateButtons();
    });
    connect(ui_->problemsOnly, &QCheckBox::toggled, &model_, &BatchPhotoModel::setProblemsOnly);
    connect(ui_->openFolder, &QPushButton::clicked, this, &HistoryWindow::openFolder);
    connect(ui_->undoBatch, &QPushButton::clicked, this, &HistoryWindow::undoCurrentBatch);
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::showBatch(const std::string& id)
{
    reloadBatches(id);
    if (!isVisible())
        fitScreen();
    show();
    raise();
    activateWindow();
}

void HistoryWindow::fitScreen()
{
    // Its laid-out size is too large for a small or scaled screen: at most
    // nine tenths of what the screen has, and all of it on that screen.
    const QWidget* over = parentWidget() ? parentWidget()->window() : this;
    const QRect room = over->screen()->availableGeometry();
    resize(size().boundedTo(room.size() * 9 / 10));
    QRect frame(pos(), frameGeometry().size().boundedTo(room.size()));
    frame.moveCenter(over->frameGeometry().center());
    frame.moveLeft(std::clamp(frame.left(), room.left(), room.right() + 1 - frame.width()));
    frame.moveTop(std::clamp(frame.top(), room.top(), room.bottom() + 1 - frame.height()));
    move(frame.topLeft());
}

std::string HistoryWindow::currentBatch() const
{
    const QTreeWidgetItem* item = ui_->batches->currentItem();
    return item ? item->data(0, Qt::UserRole).toString().toStdString() : std::string();
}

void HistoryWindow::reloadBatches(const std::string& select)
{
    const QSignalBlocker blocker(ui_->batches);
    ui_->batches->clear();
    batches_ = listBatches();
    const QLocale locale;
    QTreeWidgetItem* chosen = nullptr;
    for (const BatchSummary& b : batches_) {
        QStringList state;
        if (b.undo == BatchSummary::Undo::Done)
            state << tr("Undone");
        else if (b.undo == BatchSummary::Undo::Partly)
            state << tr("Partly undone");
        else if (isRunning(b))
            state << tr("Running");
        else if (!b.finished)
            state << tr("Cut short");
        else if (b.stopped)
            state << tr("Stopped: partly done");
        if (b.linesLost)
            state << tr("History incomplete");
        auto* item = new QTreeWidgetItem(
            ui_->batches, {locale.toString(QDateTime::fromMSecsSinceEpoch(b.startedMs), QLocale::ShortFormat),
                           locale.toString(qulonglong{b.renamed}), locale.toString(qulonglong{b.withoutDate}),
                           locale.toString(qulonglong{b.failed}), state.join(QStringLiteral(", "))});
        item->setData(0, Qt::UserRole, QString::fromStdString(b.id));
        if (!chosen || b.id == select)
            chosen = item;
    }
    ui_->batches->setCurrentItem(chosen);
    if (chosen) {
        chosen->setSelected(true);
        ui_->batches->scrollToItem(chosen);
        ui_->batches->setFocus();
    }
    loadPhotos();
    updateButtons();
}

void HistoryWindow::loadPhotos()
{
    const std::string id = currentBatch();
    const unsigned generation = ++loadGeneration_;
    // Read off the GUI thread; a newer choice makes an older load void.
    loader_ = std::jthread([this, id, generation] {
        auto photos =
            std::make_shared<std::vector<RecordedPhoto>>(id.empty() ? std::vector<RecordedPhoto>() : readBatch(id));
        auto undo = std::make_shared<std::vector<std::optional<UndoRecord>>>(readUndo(id, photos->size()));
        QMetaObject::invokeMethod(
            this,
            [this, generation, photos, undo] {
                if (generation != loadGeneration_)
                    return;
                model_.setBatch(std::move(*photos), std::move(*undo));
                emit batchLoaded();
            },
            Qt::QueuedConnection);
    });
}

void HistoryWindow::openFolder()
{
    const QModelIndex index = ui_->photos->currentIndex();
    if (model_.rowCount() == 0)
        return;
    const PhotoOutcome& o = model_.photo(index.isValid() ? index.row() : 0).outcome;
    const fs::path folder = (o.target.empty() ? o.source : o.target).parent_path();
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(folder.native()))));
}

void HistoryWindow::updateButtons()
{
    const std::string id = currentBatch();
    const auto chosen =
        std::find_if(batches_.begin(), batches_.end(), [&](const BatchSummary& b) { return b.id == id; });
    ui_->undoBatch->setEnabled(chosen != batches_.end() && undoable(*chosen) && !undoRunning());
    ui_->openFolder->setEnabled(!id.empty());
}

void HistoryWindow::undoCurrentBatch()
{
    const std::string id = currentBatch();
    const auto chosen =
        std::find_if(batches_.begin(), batches_.end(), [&](const BatchSummary& b) { return b.id == id; });
    if (chosen != batches_.end())
        askAndUndo(*chosen);
}

void HistoryWindow::undoLastBatch()
{
    reloadBatches({});
    const auto last = std::find_if(batches_.begin(), batches_.end(), undoable);
    if (last == batches_.end() || undoRunning()) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Velmora"), tr("There is no batch to undo."),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("nothingToUndo"));
        box.exec();
        return;
    }
    const BatchSummary batch = *last;
    showBatch(batch.id);
    askAndUndo(batch);
}

void HistoryWindow::askAndUndo(BatchSummary batch)
{
    if (undoRunning())
        return;
    QString question =
        tr("Undo the batch of %1? Its %n renamed photo(s) go back to their old names and dates; the copies it "
           "made are removed.",
           nullptr, static_cast<int>(batch.renamed))
            .arg(QLocale().toString(QDateTime::fromMSecsSinceEpoch(batch.startedMs), QLocale::ShortFormat));
    if (batch.linesLost)
        question += QLatin1Char(' ') + tr("Its history is incomplete: photos missing from it stay as they are.");
    QMessageBox box(QMessageBox::Question, QStringLiteral("Velmora"), question, QMessageBox::Yes | QMessageBox::No,
                    this);
    box.setObjectName(QStringLiteral("undoQuestion"));
    box.setTextFormat(Qt::PlainText);
    if (box.exec() == QMessageBox::Yes)
        startUndo(batch.id);
}

void HistoryWindow::startUndo(const std::string& id)
{
    if (undoRunning())
        return;
    undoDone_ = false;
    ui_->undoProgress->setValue(0);
    ui_->undoProgress->show();
    updateButtons();
    undoThread_ = std::jthread([this, id](std::stop_token stop) {
        const auto progress = [this](double value) {
            QMetaObject::invokeMethod(
                this, [this, value] { ui_->undoProgress->setValue(static_cast<int>(value)); }, Qt::QueuedConnection);
        };
        const bool recorded = undoBatch(id, progress, stop).recorded;
        QMetaObject::invokeMethod(
            this,
            [this, id, recorded] {
                undoDone_ = true;
                ui_->undoProgress->hide();
                reloadBatches(id);
                if (!recorded) {
                    // Not modal: the undo is over, and nothing waits for an answer.
                    auto* box = new QMessageBox(
                        QMessageBox::Warning, QStringLiteral("Velmora"),
                        tr("The undo could not be recorded in the history: the disk may be full. Run it "
                           "again when there is room; it takes back what is still left."),
                        QMessageBox::Ok, this);
                    box->setObjectName(QStringLiteral("undoNotRecorded"));
                    box->setAttribute(Qt::WA_DeleteOnClose);
                    box->open();
                }
                emit undoFinished();
            },
            Qt::QueuedConnection);
    });
}

} // namespace velmora
