// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/SupportLinks.h"

#include "settings/MessageTable.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

#include <optional>

namespace velmora {
namespace {

// Whether the desktop has a program for "mailto:" links; nullopt when it cannot tell.
std::optional<bool> hasMailProgram()
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (tool.isEmpty())
        return std::nullopt;
    QProcess query;
    query.start(tool, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/mailto")});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished();
        return std::nullopt;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace

SupportLinks::SupportLinks(QWidget* window) : QObject(window), window_(window) {}

void SupportLinks::writeMail()
{
    // Without a mail program the desktop opens nothing and says nothing: show the address instead.
    if (hasMailProgram() != false && QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:" VELMORA_SUPPORT_EMAIL))))
        return;
    showAddress(tr("Write to Support"), tr("No mail program is set up. Please write to Velmora's support at\n\n%1"),
                QStringLiteral(VELMORA_SUPPORT_EMAIL), QStringLiteral("supportAddress"));
}

void SupportLinks::openWebSite()
{
    const QString address = QString::fromStdString(MessageTable::text(message::kWebSite));
    if (!QDesktopServices::openUrl(QUrl(address)))
        showAddress(tr("Web Site"), tr("No web browser could be opened. Velmora's web site is at\n\n%1"), address,
                    QStringLiteral("webSiteAddress"));
}

void SupportLinks::showAddress(const QString& title, const QString& text, const QString& address,
                               const QString& name)
{
    auto* box = new QMessageBox(QMessageBox::Information, title, text.arg(address), QMessageBox::Close, window_);
    box->setObjectName(name);
    box->setTextFormat(Qt::PlainText);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPushButton* copy = box->addButton(tr("&Copy Address"), QMessageBox::ActionRole);
    connect(copy, &QPushButton::clicked, box, [address] { QGuiApplication::clipboard()->setText(address); });
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace velmora
