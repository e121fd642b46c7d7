// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileDialog>

#include <filesystem>
#include <vector>

namespace velmora {

// The Open... dialog: the desktop's own where a platform theme provides one
// (it picks photos, or with `folder` one folder). Qt's dialog otherwise, which
// picks any mix of photos and folders at once: the stock one steps into a
// selected folder when asked to open it; this one takes the folder as a choice.
// Return opens the selection as the Open button does; a double click, or a
// folder typed with a "/" at its end and Return, steps into the folder.
class OpenDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit OpenDialog(QWidget* parent = nullptr, bool folder = false);

    // What was chosen, as byte-exact paths; empty until the dialog was accepted.
    std::vector<std::filesystem::path> chosenPaths() const { return chosen_; }

public slots:
    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Return, in the dialog or in its child `from`.
    void enterPressed(QObject* from);

    std::vector<std::filesystem::path> chosen_;
};

} // namespace velmora
