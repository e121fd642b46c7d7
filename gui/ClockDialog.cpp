// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/ClockDialog.h"

#include "engine/DateText.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>

namespace velmora {
namespace {

const QString kExifFormat = QStringLiteral("yyyy:MM:dd HH:mm:ss");

// Wall-clock time in no zone, so that no daylight-saving gap swallows an hour.
QDateTime wallClock(const std::string& date)
{
    QDateTime time = QDateTime::fromString(QString::fromStdString(date), kExifFormat);
    time.setTimeSpec(Qt::UTC);
    return time;
}

} // namespace

ClockDialog::ClockDialog(const QString& photoName, const std::string& cameraDate, long long hourShift,
                         long long correction, QWidget* parent)
    : QDialog(parent), cameraDate_(cameraDate), hourShift_(hourShift), realTime_(new QDateTimeEdit(this))
{
    setWindowTitle(tr("Set the Camera Clock from a Photo"));
    realTime_->setObjectName(QStringLiteral("realTime"));
    realTime_->setTimeSpec(Qt::UTC);
    realTime_->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    realTime_->setCalendarPopup(true);
    const auto shown = shiftCaptureDate(cameraDate, hourShift, correction);
    realTime_->setDateTime(wallClock(shown.value_or(cameraDate)));

    auto* layout = new QFormLayout(this);
    auto* camera = new QLabel(wallClock(cameraDate).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), this);
    camera->setObjectName(QStringLiteral("cameraTime"));
    layout->addRow(tr("The camera dated “%1”:").arg(photoName), camera);
    layout->addRow(tr("It was really &taken at:"), realTime_);
    auto* hint = new QLabel(hourShift ? tr("Type the time with the hour shift (%1 h) in it, as the new names "
                                           "should show it.")
                                            .arg(hourShift > 0 ? QStringLiteral("+%1").arg(hourShift)
                                                               : QString::number(hourShift))
                                      : tr("Type the time as the new names should show it."),
                            this);
    hint->setWordWrap(true);
    layout->addRow(hint);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addRow(buttons);
}

long long ClockDialog::correction() const
{
    const std::string typed = realTime_->dateTime().toString(kExifFormat).toStdString();
    return secondsBetween(cameraDate_, typed).value_or(0) - hourShift_ * 3600;
}

QString ClockDialog::describe(long long seconds)
{
    const unsigned long long whole = seconds < 0 ? 0ULL - static_cast<unsigned long long>(seconds)
                                                 : static_cast<unsigned long long>(seconds);
    const unsigned long long parts[] = {whole / 86400, whole / 3600 % 24, whole / 60 % 60, whole % 60};
    const QString units[] = {tr("%1 d"), tr("%1 h"), tr("%1 min"), tr("%1 s")};
    QStringList shown;
    for (int i = 0; i < 4; ++i)
        if (parts[i] != 0 || (i == 3 && whole == 0))
            shown << units[i].arg(parts[i]);
    return (seconds < 0 ? QStringLiteral("−") : QStringLiteral("+")) + shown.join(QLatin1Char(' '));
}

} // namespace velmora
