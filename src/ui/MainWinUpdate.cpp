// The update check as the main window runs it.
#include "status/GameLinks.h"
#include "ui/MainWin.h"
#include "ui/PlainText.h"
#include "update/UpdateThread.h"
#include "worker/RunningRequests.h"

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

namespace vexrem {

namespace {

const char* const kNoUpdateNeeded = "Zurzeit ist kein Update notwendig.";
const char* const kQueryFailed = "Fehler bei Abfrage: ";
const char* const kNoVersionShown = "---";

} // namespace

void TMainWin::CheckForUpdate() {
    // Only one update check at a time; a request meanwhile changes nothing.
    if (UpdateCheckRunning) {
        return;
    }
    ui_.btnUpdateCheck->setEnabled(false);
    try {
        StartUpdateCheck(
            myHttpCli_, [this](const rUpdateResult& result) { ShowUpdateResult(result); }, invoker_,
            workers_);
    } catch (...) {
        ui_.btnUpdateCheck->setEnabled(true); // no worker will ever enable it
        throw;
    }
}

void TMainWin::btnUpdateCheckClick() {
    CheckForUpdate();
}

void TMainWin::ShowUpdateResult(const rUpdateResult& result) {
    // An entry was met: the list announces an update, even when the entry
    // itself could not be read completely.
    const bool update = result.Received && result.HasEntries;
    ui_.imgUpdate->setVisible(update);
    ui_.labUpdLink->setVisible(update);
    ui_.labUpdResult->setVisible(!update);
    if (update) {
        const QString host = ShownLiterally(QString::fromLocal8Bit(SiteHostName()));
        ui_.imgUpdate->setToolTip(host);
        ui_.labUpdLink->setToolTip(host);
    }

    ui_.tvFeatures->clear();
    if (result.Received) {
        ui_.labActver->setText(QString::fromLocal8Bit(result.NewestVersion));
        if (update) {
            for (const tVersionInfo& entry : result.Versions) {
                auto* node = new QTreeWidgetItem(ui_.tvFeatures);
                node->setText(0, QString::fromLocal8Bit(entry.Version + " (" + entry.Date + ")"));
                for (const std::string& news : entry.News) {
                    auto* child = new QTreeWidgetItem(node);
                    child->setText(0, QString::fromLocal8Bit(news));
                }
                ShowSettingsWindow();
                ui_.XPPageControl->setCurrentWidget(ui_.tsUpdate);
            }
        } else {
            ui_.labUpdResult->setText(QString::fromUtf8(kNoUpdateNeeded));
            ui_.labActver->setText(ui_.labMyVersion->text());
        }
    } else {
        ui_.labActver->setText(QString::fromUtf8(kNoVersionShown));
        ui_.labUpdResult->setText(QString::fromUtf8(kQueryFailed) +
                                  QString::fromLocal8Bit(result.ErrorText));
    }
    ui_.btnUpdateCheck->setEnabled(true);
}

void TMainWin::labUpdLinkClick() {
    OpenHomePage();
}

} // namespace vexrem
