// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace velmora {

// The two outward links of the Help menu: a mail to support, or where no mail
// program is set up the address to copy, and the web site, or where no
// browser opens its address to copy.
class SupportLinks : public QObject {
    Q_OBJECT
public:
    // The address is shown over `window`.
    explicit SupportLinks(QWidget* window);

    void writeMail();
    void openWebSite();

private:
    // The address to copy, in `text` as its %1, over the window.
    void showAddress(const QString& title, const QString& text, const QString& address, const QString& name);

    QPointer<QWidget> window_;
};

} // namespace velmora
