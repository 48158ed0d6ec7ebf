// The Update page: what a finished update check shows.
#include "ui/UpdatePage.h"

#include "status/GameLinks.h"
#include "ui/PlainText.h"
#include "update/UpdateThread.h"

#include <QLabel>
#include <QTreeWidget>

namespace vexrem {

namespace {

const char* const kNoUpdateNeeded = "Zurzeit ist kein Update notwendig.";
const char* const kQueryFailed = "Fehler bei Abfrage: ";
const char* const kNoVersionShown = "---";

} // namespace

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

bool ListsVersions(const rUpdateResult& result) {
    return result.Received && result.HasEntries && !result.Versions.empty();
}

bool FillUpdatePage(TMainWinUi& ui_, const rUpdateResult& result) {
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
    const auto showActver = [&ui_](const QString& text, bool fromSite) {
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
    // Brought up once for the whole list, not once per entry.
    return ListsVersions(result);
}

} // namespace vexrem
