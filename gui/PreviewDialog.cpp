// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/PreviewDialog.h"

#include "gui/PreviewModel.h"
#include "gui/WindowSink.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

namespace fs = std::filesystem;

namespace velmora {

PreviewDialog::PreviewDialog(std::vector<fs::path> batchList, bool keepSetsTogether, const LiveOptions& options,
                             QWidget* parent)
    : QDialog(parent), batchList_(std::move(batchList)), keepSetsTogether_(keepSetsTogether), options_(options),
      model_(new PreviewModel(this)), table_(new QTableView(this)), status_(new QLabel(this))
{
    setObjectName(QStringLiteral("previewDialog"));
    setWindowTitle(tr("Preview"));
    table_->setModel(model_);
    table_->setObjectName(QStringLiteral("previewTable"));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    // Uniform rows and fixed column widths: a table of 100,000 rows never measures them all.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    // Wide enough for a camera's names and dates as they usually are.
    int width = 0;
    for (auto [column, sample] : {std::pair{PreviewModel::Folder, "/home/user/Pictures/2024"},
                                  {PreviewModel::OldName, "IMG_0001.CR2.xmp"},
                                  {PreviewModel::NewName, "2024-05-18__10-42-07__1.CR2.xmp"},
                                  {PreviewModel::Date, "2024:05:18 10:42:07"}, {PreviewModel::Field, "DateTimeDigitized"},
                                  {PreviewModel::Note, "Goes with IMG_0001.CR2"}}) {
        table_->setColumnWidth(column, fontMetrics().horizontalAdvance(QLatin1String(sample)) + 16);
        width += table_->columnWidth(column);
    }
    auto* buttons = new QDialogButtonBox(this);
    rename_ = buttons->addButton(tr("&Rename"), QDialogButtonBox::AcceptRole);
    rename_->setDefault(true);
    rename_->setEnabled(false);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(rename_, &QPushButton::clicked, this, &PreviewDialog::confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    auto* row = new QHBoxLayout;
    row->addWidget(status_, 1);
    row->addWidget(buttons);
    layout->addLayout(row);
    // Within the screen at any scale.
    const QSize wanted(width + 40, 24 * table_->verticalHeader()->defaultSectionSize());
    resize(screen() ? wanted.boundedTo(screen()->availableGeometry().size() * 9 / 10) : wanted);
    restart_.setSingleShot(true);
    restart_.setInterval(150);
    connect(&restart_, &QTimer::timeout, this, [this] {
        if (options_.snapshot() != shown_)
            start();
    });
    start();
}

PreviewDialog::~PreviewDialog()
{
    stop();
}

void PreviewDialog::optionsChanged()
{
    // Not what is shown any more: no Rename until it is.
    if (options_.snapshot() != shown_)
        rename_->setEnabled(false);
    restart_.start();
}

void PreviewDialog::stop()
{
    worker_.request_stop();
    if (worker_.joinable())
        worker_.join();
}

void PreviewDialog::start()
{
    stop();
    shown_ = options_.snapshot();
    shown_.stored = storedPreferences(true);
    model_->clear();
    complete_ = false;
    rename_->setEnabled(false);
    showCounts();
    const int generation = ++generation_;
    // Rows go to the GUI thread by value; a stale generation's are dropped there.
    worker_ = std::jthread([this, generation, list = batchList_, options = shown_,
                            together = keepSetsTogether_](std::stop_token stop) {
        previewBatch(list, options, together, stop, [this, generation](std::vector<PreviewRow>&& rows, bool done) {
            auto chunk = std::make_shared<std::vector<PreviewRow>>(std::move(rows));
            QMetaObject::invokeMethod(
                this, [this, generation, chunk, done] { receive(generation, *chunk, done); }, Qt::QueuedConnection);
        });
    });
}

void PreviewDialog::receive(int generation, std::vector<PreviewRow>& rows, bool done)
{
    if (generation != generation_)
        return;
    model_->append(std::move(rows));
    complete_ = done;
    rename_->setEnabled(done && model_->moving() > 0);
    if (done)
        rename_->setFocus();
    showCounts();
    if (done)
        emit completed();
}

void PreviewDialog::showCounts()
{
    const QLocale locale;
    const QString files = locale.toString(model_->rowCount());
    const QString moving = locale.toString(qulonglong{model_->moving()});
    status_->setText(complete_ ? tr("%1 files, %2 get a new name.").arg(files, moving)
                               : tr("Reading dates... %1 files so far").arg(files));
}

void PreviewDialog::confirm()
{
    if (!complete_)
        return;
    auto plan = std::make_shared<PreviewPlan>(shown_, model_->take());
    plan->keepSetsTogether = keepSetsTogether_;
    emit confirmed(plan, batchList_);
    accept();
}

} // namespace velmora
