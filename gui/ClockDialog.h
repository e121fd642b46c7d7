// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <string>

class QDateTimeEdit;

namespace velmora {

// "Set from a photo": the date a photo's camera gave it and the time it was
// really taken, typed by the user; the camera clock's correction is the difference.
class ClockDialog : public QDialog {
    Q_OBJECT
public:
    // `cameraDate`: the date the photo is named after ("yyyy:MM:dd HH:mm:ss");
    // `hourShift`: the hours the main window's shift adds (0 while off);
    // `correction`: the one in force, so that OK alone keeps it.
    ClockDialog(const QString& photoName, const std::string& cameraDate, long long hourShift, long long correction,
                QWidget* parent = nullptr);

    // The correction that, on top of the hour shift, makes the camera's date the time typed.
    long long correction() const;
    QDateTimeEdit* realTime() const { return realTime_; }

    // A correction as the main window shows it: "+3 min 27 s", "−1 d 2 h".
    static QString describe(long long seconds);

private:
    std::string cameraDate_;
    long long hourShift_;
    QDateTimeEdit* realTime_;
};

} // namespace velmora
