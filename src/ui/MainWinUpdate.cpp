// The update check as the main window runs it.
#include "status/GameLinks.h"
#include "ui/MainWin.h"
#include "ui/PlainText.h"
#include "update/UpdateThread.h"

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
    // The result (on this thread) enables the button again.
    if (core_->CheckForUpdate()) {
        ui_.btnUpdateCheck->setEnabled(false);
    }
}

void TMainWin::btnUpdateCheckClick() {
    CheckForUpdate();
}

namespace {

// A text of the version list as it is shown: plain, with its direction
// controls neutralised.
QString SiteText(const std::string& bytes) {
    return NeutralizeBidi(QString::fromLocal8Bit(bytes));
}

// A tree node for a text of the site; the view cuts it to its width, the hint
// holds all of it.
QTreeWidgetItem* AddNode(QTreeWidget* tree, QTreeWidgetItem* parent, const QString& text) {
    auto* node = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    node->setText(0, text);
    node->setToolTip(0, WholeTextHint(text));
    return node;
}

} // namespace

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
    // Texts of the site fit their place; the hint holds the whole text.
    const auto showActver = [this](const QString& text, bool fromSite) {
        ui_.labActver->setText(text);
        ui_.labActver->setToolTip(fromSite ? WholeTextHint(text) : QString());
    };
    ui_.labUpdResult->setToolTip(QString());

    ui_.tvFeatures->clear();
    if (result.Received) {
        showActver(SiteText(result.NewestVersion), true);
        if (update) {
            for (const tVersionInfo& entry : result.Versions) {
                QTreeWidgetItem* node = AddNode(ui_.tvFeatures, nullptr,
                                                SiteText(entry.Version) + QStringLiteral(" (") +
                                                    SiteText(entry.Date) + QStringLiteral(")"));
                for (const std::string& news : entry.News) {
                    AddNode(ui_.tvFeatures, node, SiteText(news));
                }
            }
            // Brought up once for the whole list, not once per entry.
            if (!result.Versions.empty()) {
                ShowSettingsWindow();
                ui_.XPPageControl->setCurrentWidget(ui_.tsUpdate);
            }
        } else {
            ui_.labUpdResult->setText(QString::fromUtf8(kNoUpdateNeeded));
            showActver(ui_.labMyVersion->text(), false);
        }
    } else {
        showActver(QString::fromUtf8(kNoVersionShown), false);
        const QString failure = QString::fromUtf8(kQueryFailed) + SiteText(result.ErrorText);
        ui_.labUpdResult->setText(failure);
        ui_.labUpdResult->setToolTip(WholeTextHint(failure));
    }
    ui_.btnUpdateCheck->setEnabled(true);
}

void TMainWin::labUpdLinkClick() {
    OpenHomePage();
}

} // namespace vexrem
