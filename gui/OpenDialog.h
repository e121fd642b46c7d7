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
// Enter and a double click step into a folder; only the Open button starts a batch.
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
    // Enter: into the folder typed or selected, never a batch.
    void enterPressed();

    std::vector<std::filesystem::path> chosen_;
};

} // namespace velmora
