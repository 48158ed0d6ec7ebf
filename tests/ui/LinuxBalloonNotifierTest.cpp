// The balloon as a desktop notification: what goes over D-Bus, which clicks
// count, and closing it again. Runs against a notification service of our own
// on a private bus daemon, so neither the desktop nor other tests are touched.
#include "MainWinFixture.h"

#include "support/TempDir.h"
#include "ui/BalloonNotifier.h"
#include "ui/Notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QList>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QVariantMap>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>

namespace vexrem::test {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// A bus daemon of the test's own, with a config that knows no services but
// those the test names as activatable.
class PrivateBus {
public:
    explicit PrivateBus(const QStringList& activatable = {}) {
        const QString dir = QString::fromStdString(folder_.Str());
        for (const QString& name : activatable) {
            WriteFileBytes(folder_ / ("services/" + name.toStdString() + ".service"),
                           "[D-BUS Service]\nName=" + name.toStdString() + "\nExec=/bin/false\n");
        }
        WriteFileBytes(folder_ / "services/.keep", "");
        const std::string config =
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig>\n"
            "  <type>session</type>\n"
            "  <listen>unix:dir=" +
            folder_.Str() +
            "</listen>\n"
            "  <auth>EXTERNAL</auth>\n"
            "  <servicedir>" +
            (folder_ / "services") +
            "</servicedir>\n"
            "  <policy context=\"default\">\n"
            "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
            "    <allow eavesdrop=\"true\"/>\n"
            "    <allow own=\"*\"/>\n"
            "  </policy>\n"
            "</busconfig>\n";
        WriteFileBytes(folder_ / "bus.conf", config);
        daemon_.setProgram(QStringLiteral("dbus-daemon"));
        daemon_.setArguments({QStringLiteral("--config-file=") + dir + QStringLiteral("/bus.conf"),
                              QStringLiteral("--print-address"), QStringLiteral("--nofork")});
        daemon_.setProcessChannelMode(QProcess::SeparateChannels);
        daemon_.start();
        if (!daemon_.waitForStarted(5000)) {
            return;
        }
        QElapsedTimer clock;
        clock.start();
        QByteArray out;
        while (!out.contains('\n') && clock.elapsed() < 5000) {
            daemon_.waitForReadyRead(100);
            out += daemon_.readAllStandardOutput();
        }
        address_ = QString::fromLocal8Bit(out.left(out.indexOf('\n')).trimmed());
    }

    ~PrivateBus() {
        for (const QString& name : names_) {
            QDBusConnection::disconnectFromBus(name);
        }
        if (daemon_.state() != QProcess::NotRunning) {
            daemon_.kill();
            daemon_.waitForFinished(5000);
        }
    }

    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool Started() const { return !address_.isEmpty(); }
    const QString& Address() const { return address_; }
    QString ErrorText() { return QString::fromLocal8Bit(daemon_.readAllStandardError()); }

    // A new connection of its own to this bus.
    QDBusConnection Connect() {
        static std::atomic<int> serial{0};
        const QString name = QStringLiteral("vexrem-test-%1").arg(++serial);
        names_ << name;
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    TempDir folder_;
    QProcess daemon_;
    QString address_;
    QStringList names_;
};

// The desktop's notification service as far as the balloon uses it.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout = 0;
        uint id = 0; // the id the service gave it
    };

    explicit FakeNotificationService(const QDBusConnection& bus) : bus_(bus) {
        registered_ =
            bus_.registerObject(
                kPath, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
            bus_.registerService(kService);
    }

    bool Registered() const { return registered_; }
    const QList<Call>& Calls() const { return calls_; }
    const QList<uint>& Closed() const { return closed_; }

    void Click(uint id) { Invoke(id, QStringLiteral("default")); }
    void Invoke(uint id, const QString& key) { emit ActionInvoked(id, key); }
    void SetCapabilities(const QStringList& caps) { capabilities_ = caps; }
    void Expire(uint id) { emit NotificationClosed(id, 1); }

public slots:
    QStringList GetCapabilities() { return capabilities_; }
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int timeout) {
        // One still shown is replaced and keeps its id.
        const bool replaces = replacesId != 0 && !closed_.contains(replacesId) &&
                              std::any_of(calls_.begin(), calls_.end(),
                                          [&](const Call& c) { return c.id == replacesId; });
        const uint id = replaces ? replacesId : nextId_++;
        calls_.append({appName, replacesId, appIcon, summary, body, actions, hints, timeout, id});
        return id;
    }
    void CloseNotification(uint id) {
        closed_.append(id);
        emit NotificationClosed(id, 3);
    }

signals:
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);

private:
    QDBusConnection bus_;
    bool registered_ = false;
    uint nextId_ = 41;
    QList<Call> calls_;
    QList<uint> closed_;
    QStringList capabilities_{QStringLiteral("actions"), QStringLiteral("body")};
};

class BalloonNotifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) {
            GTEST_SKIP() << "dbus-daemon is not installed; the D-Bus balloon is not tested";
        }
        bus = std::make_unique<PrivateBus>();
        ASSERT_TRUE(bus->Started()) << bus->ErrorText().toStdString();
    }

    void StartService() {
        service = std::make_unique<FakeNotificationService>(bus->Connect());
        ASSERT_TRUE(service->Registered());
    }

    void MakeNotifier() {
        notifier = std::make_unique<BalloonNotifier>(nullptr, bus->Connect());
        clicks = std::make_unique<QSignalSpy>(notifier.get(), &BalloonNotifier::clicked);
    }

    // Shows a balloon and waits until the notifier knows its id.
    uint ShowAndWait() {
        const auto before = service->Calls().size();
        notifier->Show(QStringLiteral("Vexelfeld"), QStringLiteral("Dran bei 2 Spiel(en)."), 10000);
        if (!WaitUntil([&] {
                return service->Calls().size() > before &&
                       notifier->CurrentId() == service->Calls().at(before).id;
            })) {
            return 0;
        }
        return notifier->CurrentId();
    }

    // Declared first, so the bus goes last.
    std::unique_ptr<PrivateBus> bus;
    std::unique_ptr<FakeNotificationService> service;
    std::unique_ptr<BalloonNotifier> notifier;
    std::unique_ptr<QSignalSpy> clicks;
};

TEST_F(BalloonNotifierTest, ShowSendsOneNotifyAndLearnsTheId) {
    StartService();
    MakeNotifier();
    notifier->Show(QStringLiteral("Vexelfeld"), QStringLiteral("Dran bei 2 Spiel(en)."), 7000);
    ASSERT_TRUE(WaitUntil([&] { return notifier->CurrentId() != 0; }));
    ASSERT_EQ(service->Calls().size(), 1);
    const auto& call = service->Calls().at(0);
    EXPECT_EQ(call.appName, "VexelReminder");
    EXPECT_EQ(call.replacesId, 0u);
    EXPECT_EQ(call.summary, "Vexelfeld");
    EXPECT_EQ(call.body, "Dran bei 2 Spiel(en).");
    ASSERT_FALSE(call.actions.isEmpty());
    EXPECT_EQ(call.actions.at(0), "default"); // what a click on the body invokes
    EXPECT_EQ(call.actions.size() % 2, 0);    // key/label pairs
    EXPECT_EQ(call.timeout, 7000);
    EXPECT_EQ(notifier->CurrentId(), call.id);
}

// A turn's balloon offers the popup's answers where the service shows
// buttons: the snoozes only while the popup is on. Each takes the place of the
// one before, so a turn is one notification.
TEST_F(BalloonNotifierTest, TheTurnsBalloonCarriesThePopupsAnswersAndReplacesTheLastOne) {
    StartService();
    MakeNotifier();
    const QStringList open{QStringLiteral("default"), QStringLiteral("Öffnen")};
    const struct {
        QStringList caps;
        bool popup;
        QStringList actions;
    } rows[] = {
        {{QStringLiteral("actions"), QStringLiteral("body")},
         true,
         open + QStringList{QStringLiteral("wait1"), QStringLiteral("5 min"),
                            QStringLiteral("wait2"), QStringLiteral("15 min"),
                            QStringLiteral("hinda"), QStringLiteral("Hin da!")}},
        {{QStringLiteral("actions")},
         false,
         open + QStringList{QStringLiteral("hinda"), QStringLiteral("Hin da!")}},
        {{QStringLiteral("body")}, true, open},
    };
    ConfigSettings c;
    c.ShowBalloon = true;
    TNotifier turn(nullptr);
    uint shown = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.caps.join(u',').toStdString());
        service->SetCapabilities(row.caps);
        c.ShowPopup = row.popup;
        const auto before = service->Calls().size();
        turn.ShowBalloon(*notifier, c, 2);
        ASSERT_TRUE(WaitUntil([&] {
            return service->Calls().size() == before + 1 &&
                   notifier->CurrentId() == service->Calls().last().id;
        }));
        const auto& call = service->Calls().last();
        EXPECT_EQ(call.actions, row.actions);
        EXPECT_EQ(call.replacesId, shown);
        EXPECT_EQ(call.hints.value(QStringLiteral("urgency")), QVariant::fromValue(uchar(1)));
        EXPECT_TRUE(call.hints.contains(QStringLiteral("desktop-entry")));
        shown = call.id;
    }
    EXPECT_EQ(service->Calls().first().id, shown); // one notification all along
}

TEST_F(BalloonNotifierTest, TitleAndTextAreCutToTheShellLimits) {
    StartService();
    MakeNotifier();
    notifier->Show(QString(100, QLatin1Char('T')), QString(300, QLatin1Char('x')), 1000);
    ASSERT_TRUE(WaitUntil([&] { return service->Calls().size() == 1; }));
    EXPECT_EQ(service->Calls().at(0).summary, QString(63, QLatin1Char('T')));
    EXPECT_EQ(service->Calls().at(0).body, QString(255, QLatin1Char('x')));
}

// The body is markup for services that say so: there it is escaped, so the
// user's text shows as typed; elsewhere it goes as it is. The title is plain
// text everywhere.
TEST_F(BalloonNotifierTest, TheBodyIsEscapedWhereTheServiceReadsMarkup) {
    StartService();
    MakeNotifier();
    const QString text = QStringLiteral("<img src=\"/x.png\"> &lt;b&gt; <b>x</b>");
    const struct {
        QStringList caps;
        QString body;
    } rows[] = {
        {{QStringLiteral("body"), QStringLiteral("body-markup")},
         QStringLiteral(
             "&lt;img src=&quot;/x.png&quot;&gt; &amp;lt;b&amp;gt; &lt;b&gt;x&lt;/b&gt;")},
        {{QStringLiteral("body")}, text},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.caps.join(u',').toStdString());
        service->SetCapabilities(row.caps);
        const auto before = service->Calls().size();
        notifier->Show(text, text, 1000);
        ASSERT_TRUE(WaitUntil([&] { return service->Calls().size() == before + 1; }));
        EXPECT_EQ(service->Calls().last().summary.toStdString(), text.toStdString());
        EXPECT_EQ(service->Calls().last().body.toStdString(), row.body.toStdString());
    }
}

TEST_F(BalloonNotifierTest, RemoveClosesTheShownBalloon) {
    StartService();
    MakeNotifier();
    const uint id = ShowAndWait();
    ASSERT_NE(id, 0u);
    notifier->Remove();
    EXPECT_EQ(notifier->CurrentId(), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !service->Closed().isEmpty(); }));
    EXPECT_EQ(service->Closed(), QList<uint>{id});
}

TEST_F(BalloonNotifierTest, RemoveBeforeTheIdArrivedClosesItOnceItDoes) {
    StartService();
    MakeNotifier();
    // No event is handled between the two calls: the reply with the id
    // cannot have been seen yet.
    notifier->Show(QStringLiteral("a"), QStringLiteral("eins"), 1000);
    notifier->Remove();
    notifier->Show(QStringLiteral("b"), QStringLiteral("zwei"), 1000);
    ASSERT_TRUE(
        WaitUntil([&] { return service->Calls().size() == 2 && !service->Closed().isEmpty(); }));
    const uint first = service->Calls().at(0).id;
    const uint second = service->Calls().at(1).id;
    ASSERT_TRUE(WaitUntil([&] { return notifier->CurrentId() == second; }));
    EXPECT_EQ(service->Closed(), QList<uint>{first}); // the second stays on screen
}

// The same for its buttons; a key we never offered is nothing.
TEST_F(BalloonNotifierTest, OnlyAClickOnOurOwnBalloonCounts) {
    StartService();
    MakeNotifier();
    QSignalSpy actions(notifier.get(), &BalloonNotifier::actionInvoked);
    const uint id = ShowAndWait();
    ASSERT_NE(id, 0u);
    service->Click(id + 100); // another program's notification
    service->Invoke(id + 100, QStringLiteral("hinda"));
    service->Click(id);
    for (const char* key : {"Wait1", "wait1 ", "", "hinda\n", "../wait2", "wait2"}) {
        service->Invoke(id, QString::fromLatin1(key));
    }
    service->Expire(id); // the last signal: once seen, the clicks before it were too
    ASSERT_TRUE(WaitUntil([&] { return notifier->CurrentId() == 0; }));
    EXPECT_EQ(clicks->count(), 1);
    ASSERT_EQ(actions.count(), 1);
    EXPECT_EQ(actions.at(0).at(0).value<BalloonAction>(), BalloonAction::Wait2);
    // Answered by a button, the notification goes.
    ASSERT_TRUE(WaitUntil([&] { return !service->Closed().isEmpty(); }));
    EXPECT_EQ(service->Closed(), QList<uint>{id});
    // Gone from the screen: a late click on that id is not ours any more.
    service->Click(id);
    ShowAndWait(); // a round trip after the late click
    EXPECT_EQ(clicks->count(), 1);
}

TEST_F(BalloonNotifierTest, TheSameSignalFromAnotherSenderIsNoClick) {
    StartService();
    MakeNotifier();
    const uint id = ShowAndWait();
    ASSERT_NE(id, 0u);
    QDBusConnection intruder = bus->Connect();
    QDBusMessage fake =
        QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("ActionInvoked"));
    fake << id << QStringLiteral("default");
    ASSERT_TRUE(intruder.send(fake));
    // A blocking round trip on the same connection: the daemon has passed the
    // fake on before the service's own signals below.
    ASSERT_TRUE(intruder.interface()->isServiceRegistered(kService).value());
    service->Expire(id);
    ASSERT_TRUE(WaitUntil([&] { return notifier->CurrentId() == 0; }));
    EXPECT_EQ(clicks->count(), 0);
}

TEST_F(BalloonNotifierTest, ServiceAvailableOnlyWithAService) {
    MakeNotifier();
    EXPECT_FALSE(notifier->ServiceAvailable());
    StartService();
    EXPECT_TRUE(notifier->ServiceAvailable());
}

TEST_F(BalloonNotifierTest, AServiceTheBusStartsOnDemandCountsAsAvailable) {
    PrivateBus activating({kService});
    ASSERT_TRUE(activating.Started()) << activating.ErrorText().toStdString();
    BalloonNotifier onDemand(nullptr, activating.Connect());
    EXPECT_TRUE(onDemand.ServiceAvailable());
}

TEST_F(BalloonNotifierTest, WithoutABusNothingIsSentAndNothingBreaks) {
    BalloonNotifier unconnected(
        nullptr, QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                               QStringLiteral("vexrem-test-nobus")));
    EXPECT_FALSE(unconnected.ServiceAvailable());
    QSignalSpy shown(&unconnected, &BalloonNotifier::shown);
    unconnected.Show(QStringLiteral("Vexelfeld"), QStringLiteral("x"), 1000);
    unconnected.Remove();
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(unconnected.CurrentId(), 0u);
    QDBusConnection::disconnectFromBus(QStringLiteral("vexrem-test-nobus"));
}

// Where no notification service runs, the tray icon shows the balloon itself.
TEST(BalloonFallback, APressOnTheTrayIconIsNoClickOnItsBalloon) {
    QSystemTrayIcon tray;
    BalloonNotifier notifier(
        &tray, QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                             QStringLiteral("vexrem-test-fallback")));
    QSignalSpy clicks(&notifier, &BalloonNotifier::clicked);
    emit tray.messageClicked(); // on the balloon
    ASSERT_TRUE(WaitUntil([&] { return clicks.count() == 1; }));
    // A press on the icon while the balloon shows: the tray reports both.
    for (const auto reason : {QSystemTrayIcon::Context, QSystemTrayIcon::Trigger}) {
        emit tray.messageClicked();
        emit tray.activated(reason);
        Spin(50);
        EXPECT_EQ(clicks.count(), 1) << reason;
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("vexrem-test-fallback"));
}

// A program of the test's own: stopped when the test leaves it.
class Child {
public:
    Child(const QString& program, const QStringList& args,
          const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(program, args);
        process_.waitForStarted(5000);
    }
    ~Child() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(5000)) {
                process_.kill();
                process_.waitForFinished(5000);
            }
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // The first line of its output, "" when none comes in time.
    QString FirstLine(int timeoutMs) {
        QElapsedTimer clock;
        clock.start();
        while (!process_.canReadLine() && clock.elapsed() < timeoutMs &&
               process_.state() == QProcess::Running) {
            process_.waitForReadyRead(100);
        }
        return QString::fromLocal8Bit(process_.readLine()).trimmed();
    }

private:
    QProcess process_;
};

// The real dunst on the private bus and a virtual screen. dunst hands the
// buttons of the notifications it shows to its dmenu command and invokes the
// line that comes back; a script stands in for dmenu, notes the lines and
// chooses the first snooze, as a user would in the menu.
TEST_F(BalloonNotifierTest, ARealDaemonShowsTheButtonsAndReportsTheOneChosen) {
    for (const char* tool : {"dunst", "dunstctl", "dbus-send", "Xvfb"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            GTEST_SKIP() << "E2E-SKIP: " << tool << " is not installed (scripts/setup installs it)";
        }
    }
    TempDir dir;
    Child screen(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                  QStringLiteral("800x600x24")});
    const QString display = screen.FirstLine(20000);
    ASSERT_FALSE(display.isEmpty()) << "Xvfb did not start";
    WriteFileBytes(dir / "menu.sh", "#!/bin/sh\ncat > '" + (dir / "menu") +
                                        "'\ngrep -m1 '^#5 min ' '" + (dir / "menu") + "'\n");
    std::filesystem::permissions(dir / "menu.sh", std::filesystem::perms::owner_all);
    WriteFileBytes(dir / "dunstrc", "[global]\ndmenu = " + (dir / "menu.sh") + "\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + display);
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus->Address());
    Child dunst(QStringLiteral("dunst"),
                {QStringLiteral("-config"), QString::fromStdString(dir / "dunstrc")}, env);
    MakeNotifier();
    ASSERT_TRUE(WaitUntil([&] { return notifier->ServiceAvailable(); }, 20000)) << "no dunst";
    const auto dunstctl = [&](const QStringList& args) {
        QProcess ctl;
        ctl.setProcessEnvironment(env);
        ctl.start(QStringLiteral("dunstctl"), args);
        ctl.waitForFinished(10000);
        return QString::fromLocal8Bit(ctl.readAllStandardOutput()).trimmed();
    };

    QSignalSpy actions(notifier.get(), &BalloonNotifier::actionInvoked);
    ConfigSettings c;
    c.ShowBalloon = true;
    c.ShowPopup = true;
    c.BalloonCaption = "Vexelfeld";
    TNotifier(nullptr).ShowBalloon(*notifier, c, 2);
    ASSERT_TRUE(WaitUntil([&] { return notifier->CurrentId() != 0; }, 10000));
    const std::string id = std::to_string(notifier->CurrentId());
    // Only what is on screen is in the menu.
    ASSERT_TRUE(WaitUntil(
        [&] {
            return dunstctl({QStringLiteral("count"), QStringLiteral("displayed")}) == "1";
        },
        10000));
    dunstctl({QStringLiteral("context")});
    ASSERT_TRUE(WaitUntil([&] { return actions.count() == 1; }, 20000))
        << "menu: " << ReadFileBytes(dir / "menu");
    EXPECT_EQ(actions.at(0).at(0).value<BalloonAction>(), BalloonAction::Wait1);
    const std::string menu = ReadFileBytes(dir / "menu");
    for (const std::string& line :
         {"#5 min (Vexelfeld) [" + id + ",wait1]", "#15 min (Vexelfeld) [" + id + ",wait2]",
          "#Hin da! (Vexelfeld) [" + id + ",hinda]"}) {
        EXPECT_NE(menu.find(line), std::string::npos) << line << " not in:\n" << menu;
    }
}

} // namespace
} // namespace vexrem::test

#include "LinuxBalloonNotifierTest.moc"
