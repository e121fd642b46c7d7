#pragma once

#include <QFileDialog>

#include <filesystem>
#include <vector>

namespace velmora {

// The Open... dialog: picks any mix of photos and folders at once. The stock
// dialog steps into a selected folder when asked to open it; this one takes the
// folder as a choice. A double click still steps into a folder.
class OpenDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit OpenDialog(QWidget* parent = nullptr);

    // What was chosen, as byte-exact paths; empty until the dialog was accepted.
    std::vector<std::filesystem::path> chosenPaths() const { return chosen_; }

public slots:
    void accept() override;

private:
    std::vector<std::filesystem::path> chosen_;
};

} // namespace velmora
