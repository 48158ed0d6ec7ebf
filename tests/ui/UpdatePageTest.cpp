// The update check as the Update page of the real main window shows it, with
// the maker's site played by a fake HTTP server.
#include "MainWinFixture.h"

#include "status/GameLinks.h"
#include "worker/ServerAddress.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

namespace vexrem::test {
namespace {

using namespace std::chrono_literals;

std::string Entry(const std::string& version, const std::string& date, const std::string& news) {
    return "<versioninfo><date>" + date + "</date><version>" + version + "</version><newslist>" +
           news + "</newslist></versioninfo>";
}

std::string Document(const std::string& entries) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<versioninfos>\n" + entries +
           "\n</versioninfos>\r\n";
}

const std::string kNewer = Entry("1.3.0.0", "2008-01-10", "<news>A</news><news>B</news>");
const std::string kOlder = Entry("1.2.5.0", "2007-11-02", "<news>C</news>");

const QString kNoUpdate = QStringLiteral("Zurzeit ist kein Update notwendig.");

class UpdatePageTest : public MainWinTest {
protected:
    UpdatePageTest() { SetEnv(kSiteEnv, server.BaseUrl().c_str()); }
    ~UpdatePageTest() override { SetEnv(kSiteEnv, nullptr); }

    // A started window with stored settings: no first run, no status checks.
    void StartQuiet() {
        StoreSettings("Active=0\n");
        Start();
    }

    // One check by the page's button, answered with response.
    void CheckWith(FakeResponse response) {
        server.Enqueue(std::move(response));
        ui().btnUpdateCheck->click();
        ASSERT_TRUE(WaitUntil([&] { return !win->Core().UpdateCheckRunning(); }));
    }

    TMainWinUi& ui() { return win->Ui(); }

    // Top-level nodes with their children, "node: child|child".
    std::vector<std::string> Tree() {
        std::vector<std::string> out;
        for (int i = 0; i < ui().tvFeatures->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* node = ui().tvFeatures->topLevelItem(i);
            std::string line = node->text(0).toStdString() + ":";
            for (int c = 0; c < node->childCount(); ++c) {
                line += (c == 0 ? " " : "|") + node->child(c)->text(0).toStdString();
            }
            out.push_back(line);
        }
        return out;
    }

    bool UpdateShown() {
        const bool picture = !ui().imgUpdate->isHidden();
        EXPECT_EQ(picture, !ui().labUpdLink->isHidden());
        EXPECT_EQ(picture, ui().labUpdResult->isHidden());
        return picture;
    }
};

// --- versions listed ----------------------------------------------------------------

TEST_F(UpdatePageTest, ListedVersionsBringUpTheUpdatePage) {
    StartQuiet();
    EXPECT_FALSE(win->isVisible());
    CheckWith(FakeResponse::Ok(Document(kNewer + kOlder)));
    EXPECT_EQ(Tree(),
              (std::vector<std::string>{"1.3.0.0 (2008-01-10): A|B", "1.2.5.0 (2007-11-02): C"}));
    EXPECT_EQ(ui().labActver->text(), "1.3.0.0");
    EXPECT_TRUE(UpdateShown());
    EXPECT_TRUE(win->isVisible());
    EXPECT_EQ(ui().XPPageControl->currentWidget(), ui().tsUpdate);
    EXPECT_TRUE(ui().btnUpdateCheck->isEnabled());
    // Shown as they are: nothing opened or picked for the user.
    EXPECT_FALSE(ui().tvFeatures->topLevelItem(0)->isExpanded());
    EXPECT_TRUE(ui().tvFeatures->selectedItems().isEmpty());
    // The hints name the maker's site.
    const QString host = QStringLiteral("127.0.0.1:") + QString::number(server.Port());
    EXPECT_EQ(ui().imgUpdate->toolTip(), host);
    EXPECT_EQ(ui().labUpdLink->toolTip(), host);
}

TEST_F(UpdatePageTest, TreeFollowsTheDocumentNotTheVersionNumbers) {
    StartQuiet();
    CheckWith(FakeResponse::Ok(Document(kOlder + kNewer)));
    EXPECT_EQ(Tree(),
              (std::vector<std::string>{"1.2.5.0 (2007-11-02): C", "1.3.0.0 (2008-01-10): A|B"}));
    EXPECT_EQ(ui().labActver->text(), "1.2.5.0");
}

TEST_F(UpdatePageTest, ZeroFirstVersionLeavesTheNewestToTheSecond) {
    StartQuiet();
    CheckWith(FakeResponse::Ok(Document(Entry("0.0.0.0", "2001-01-01", "") + kOlder)));
    EXPECT_EQ(Tree().size(), 2u);
    EXPECT_EQ(ui().labActver->text(), "1.2.5.0");
}

TEST_F(UpdatePageTest, NewsTextsArriveWithoutLayout) {
    StartQuiet();
    CheckWith(FakeResponse::Ok(Document(
        Entry("2.0", "heute",
              "<news>\n\t\t\tZeile eins,\n\t\t\tZeile zwei</news>"
              "<news>Windows-Zeile\r\nweiter</news><news>Proxy &amp; Anmeldung &#38; mehr</news>"
              "<news>f\xc3\xbcr dunkle Leisten</news>"))));
    ASSERT_EQ(ui().tvFeatures->topLevelItemCount(), 1);
    const QTreeWidgetItem* node = ui().tvFeatures->topLevelItem(0);
    ASSERT_EQ(node->childCount(), 4);
    EXPECT_EQ(node->child(0)->text(0), "Zeile eins,Zeile zwei");
    EXPECT_EQ(node->child(1)->text(0), "Windows-Zeile\rweiter");
    EXPECT_EQ(node->child(2)->text(0), "Proxy & Anmeldung &#38; mehr");
    // The bytes as they are, read in the system's code page: "für" where that
    // is UTF-8, as on Linux.
    EXPECT_EQ(node->child(3)->text(0), QString::fromLocal8Bit("f\xc3\xbcr dunkle Leisten"));
}

// Counts how often a widget is raised.
class RaiseCounter : public QObject {
public:
    explicit RaiseCounter(QWidget* w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        count += e->type() == QEvent::ZOrderChange ? 1 : 0;
        return QObject::eventFilter(o, e);
    }
};

// The site's texts cannot break the window: a huge version is cut to fit with
// the whole of it in the hint, direction controls are shown as U+FFFD instead
// of reordering what stands around them, and many entries raise the window
// once.
TEST_F(UpdatePageTest, SiteTextsFitTheirPlaceAndKeepTheirOrder) {
    StartQuiet();
    RaiseCounter raises(win.get());
    const std::string huge(64 * 1024, '7');
    const std::string rlo = "\xe2\x80\xae", lri = "\xe2\x81\xa6", pdi = "\xe2\x81\xa9";
    std::string entries =
        Entry(huge, "2008-01-10", "<news>A</news>") +
        Entry("1." + rlo + "4", "2008" + rlo + "-02", "<news>x" + lri + "y" + pdi + "</news>");
    for (int i = 0; i < 20; ++i) {
        entries += kOlder;
    }
    CheckWith(FakeResponse::Ok(Document(entries)));
    ASSERT_TRUE(win->isVisible());
    EXPECT_EQ(raises.count, 1);

    Spin(50); // the layout follows the new texts
#ifndef _WIN32
    // Under wine the window still comes out wider than the test screen.
    const QRect screen = win->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(win->frameGeometry())) << win->width();
#endif
    for (QWidget* w : std::initializer_list<QWidget*>{ui().btnClose, ui().btnExit, ui().labUpdLink,
                                                      ui().imgUpdate, ui().labActver}) {
        const QRect at(w->mapTo(win.get(), QPoint(0, 0)), w->size());
        EXPECT_TRUE(win->rect().contains(at)) << w->objectName().toStdString();
    }
    EXPECT_EQ(ui().labActver->text().toStdString(), huge);
    // The hints hold the whole text, with invisible places to wrap it.
    const auto hint = [](QString tip) {
        return tip.remove(QChar(0x200B)).toStdString();
    };
    EXPECT_NE(hint(ui().labActver->toolTip()).find(huge), std::string::npos);
    EXPECT_NE(hint(ui().tvFeatures->topLevelItem(0)->toolTip(0)).find(huge), std::string::npos);

#ifndef _WIN32
    // The bidi controls reach the page only where the system's code page is
    // UTF-8; the Windows code pages have no place for them.
    const QString mark(QChar(0xFFFD));
    const std::vector<std::string> tree = Tree();
    ASSERT_GE(tree.size(), 2u);
    EXPECT_EQ(QString::fromStdString(tree[1]),
              "1." + mark + "4 (2008" + mark + "-02): x" + mark + "y" + mark);
#endif
}

TEST_F(UpdatePageTest, LinkAndPictureOpenTheHomePage) {
    StartQuiet();
    CheckWith(FakeResponse::Ok(Document(kNewer)));
    QTest::mouseClick(ui().labUpdLink, Qt::LeftButton);
    QTest::mouseClick(ui().imgUpdate, Qt::LeftButton);
    EXPECT_EQ(platform.Opened(), (std::vector<std::string>{HomePageUrl(), HomePageUrl()}));
    EXPECT_EQ(HomePageUrl(), server.BaseUrl() + "/vexremind");
}

// --- every way a check can end --------------------------------------------------------

TEST_F(UpdatePageTest, EachOutcomeHasItsPage) {
    struct Case {
        const char* what;
        FakeResponse response;
        bool update;        // picture and link instead of the result text
        QString actver;     // "" = the running version
        QString resultText; // when no update is shown
        std::size_t entries;
    };
    const std::string broken = "<versioninfo><date>d</date><version>9.9</version></versioninfo>";
    const Case cases[] = {
        {"missing page", FakeResponse::Status(404, "Not Found", Document(kNewer)), false, "---",
         "Fehler bei Abfrage: Not Found", 0},
        {"server error", FakeResponse::Status(500, "Internal Server Error"), false, "---",
         "Fehler bei Abfrage: Internal Server Error", 0},
        {"html page with 200",
         FakeResponse::Ok("<html><head><title>Wartung</title></head><body><p>Gleich wieder "
                          "da<br></body></html>"),
         false, "", kNoUpdate, 0},
        {"byte order mark", FakeResponse::Ok("\xef\xbb\xbf" + Document(kNewer)), false, "",
         kNoUpdate, 0},
        {"no versioninfos", FakeResponse::Ok("<versions>" + kNewer + "</versions>"), false, "",
         kNoUpdate, 0},
        {"empty versioninfos", FakeResponse::Ok(Document("")), false, "", kNoUpdate, 0},
        {"empty body", FakeResponse::Ok(""), false, "", kNoUpdate, 0},
        {"broken second entry", FakeResponse::Ok(Document(kNewer + broken + kOlder)), true,
         "1.3.0.0", "", 1},
        {"cut inside the second entry",
         FakeResponse::Ok(
             Document(kNewer + kOlder).substr(0, Document(kNewer + kOlder).find("<date>2007"))),
         true, "1.3.0.0", "", 1},
        {"cut before a newslist",
         FakeResponse::Ok(
             Document(kNewer + kOlder).substr(0, Document(kNewer + kOlder).rfind("<newslist>"))),
         true, "1.3.0.0", "", 1},
        // An entry was met, so the update is announced; it has nothing to list
        // and names the version read before the entry broke.
        {"broken first entry", FakeResponse::Ok(Document(broken + kNewer)), true, "9.9", "", 0},
    };
    StartQuiet();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        win->hide();
        CheckWith(c.response);
        EXPECT_EQ(UpdateShown(), c.update);
        EXPECT_EQ(ui().labActver->text(),
                  c.actver.isEmpty() ? ui().labMyVersion->text() : c.actver);
        if (!c.update) {
            EXPECT_EQ(ui().labUpdResult->text(), c.resultText);
        }
        EXPECT_EQ(static_cast<std::size_t>(ui().tvFeatures->topLevelItemCount()), c.entries);
        EXPECT_EQ(win->isVisible(), c.entries > 0);
        EXPECT_TRUE(ui().btnUpdateCheck->isEnabled());
    }
}

TEST_F(UpdatePageTest, RefusedConnectionNamesTheSystemsReason) {
    const std::string port = std::to_string(UnusedPort());
    SetEnv(kSiteEnv, ("http://127.0.0.1:" + port).c_str());
    StartQuiet();
    ui().btnUpdateCheck->click();
    ASSERT_TRUE(WaitUntil([&] { return !win->Core().UpdateCheckRunning(); }));
    EXPECT_EQ(ui().labUpdResult->text().toStdString(),
              "Fehler bei Abfrage: Verbindung zu 127.0.0.1:" + port + " fehlgeschlagen " +
                  std::to_string(RefusedConnectionCode()) + " (" +
                  SystemTextOf(RefusedConnectionCode()) + ")");
    EXPECT_EQ(ui().labActver->text(), "---");
    EXPECT_FALSE(UpdateShown());
}

TEST_F(UpdatePageTest, EachResultReplacesTheLastOne) {
    StartQuiet();
    CheckWith(FakeResponse::Ok(Document(kNewer + kOlder)));
    ASSERT_TRUE(UpdateShown());
    CheckWith(FakeResponse::Status(404, "Not Found"));
    EXPECT_FALSE(UpdateShown());
    EXPECT_EQ(ui().tvFeatures->topLevelItemCount(), 0);
    EXPECT_EQ(ui().labActver->text(), "---");
    CheckWith(FakeResponse::Ok(Document(kOlder)));
    EXPECT_TRUE(UpdateShown());
    EXPECT_EQ(Tree(), (std::vector<std::string>{"1.2.5.0 (2007-11-02): C"}));
}

// --- one check at a time, and the start-up check -----------------------------------------

TEST_F(UpdatePageTest, SecondRequestDuringACheckChangesNothing) {
    StartQuiet();
    FakeResponse slow = FakeResponse::Ok(Document(kNewer));
    slow.delay = 300ms;
    server.Enqueue(slow);
    win->CheckForUpdate();
    EXPECT_FALSE(ui().btnUpdateCheck->isEnabled());
    ASSERT_TRUE(server.WaitForRequests(1, 5000ms));
    win->CheckForUpdate();
    win->btnUpdateCheckClick();
    EXPECT_FALSE(ui().btnUpdateCheck->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return !win->Core().UpdateCheckRunning(); }));
    Spin(100);
    EXPECT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(Tree().size(), 1u);
    EXPECT_TRUE(ui().btnUpdateCheck->isEnabled());
}

TEST_F(UpdatePageTest, StartupRunsUpdateAndStatusCheckOneAfterTheOther) {
    StoreSettings("Active=1\nStartupCheck=1\nUserName=tester\n");
    server.SetHandler([](const std::string& request) {
        FakeResponse r = FakeResponse::Ok(request.find("/vexrem/verinfo.php") != std::string::npos
                                              ? Document(kNewer)
                                              : StatusPage(0));
        r.delay = 150ms;
        return r;
    });
    StartAndRunStartup();
    EXPECT_FALSE(ui().btnUpdateCheck->isEnabled());
    ASSERT_TRUE(WaitForCalls(1));
    ASSERT_TRUE(WaitUntil([&] { return !win->Core().UpdateCheckRunning(); }));
    EXPECT_EQ(server.RequestCount(), 2u);
    EXPECT_EQ(server.MaxConcurrent(), 1);
    EXPECT_FALSE(win->LastCheckFailed());
    EXPECT_EQ(ui().labActver->text(), "1.3.0.0");
    EXPECT_TRUE(ui().btnUpdateCheck->isEnabled());
}

TEST_F(UpdatePageTest, NoStartupCheckWhenSwitchedOff) {
    StoreSettings("Active=0\nStartupCheck=0\n");
    StartAndRunStartup();
    Spin(100);
    EXPECT_EQ(server.RequestCount(), 0u);
    EXPECT_TRUE(ui().btnUpdateCheck->isEnabled());
}

} // namespace
} // namespace vexrem::test
