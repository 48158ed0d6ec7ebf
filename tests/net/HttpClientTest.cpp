#include "net/HttpClient.h"
#include "support/FakeHttpServer.h"
#include "support/TempDir.h"
#include "support/TestGuards.h"

#include <gtest/gtest.h>

#include <boost/asio/error.hpp>

#include <cerrno>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
// after windows.h
#include <tlhelp32.h>
#endif

namespace vexrem {
namespace {

using test::FakeHttpServer;
using test::FakeResponse;
using namespace std::chrono_literals;

const std::string kAccept = "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";

std::string ExpectedRequest(const std::string& target, const std::string& host,
                            const std::string& extra = {}) {
    return "GET " + target + " HTTP/1.0\r\n" + kAccept + "User-Agent: TestAgent 1.2\r\n" +
           "Host: " + host + "\r\n" + "Pragma: no-cache\r\n" + extra + "\r\n";
}

// Runs f and reports the message of the HttpError it throws ("" if none).
template <class F> std::string FailureOf(F&& f) {
    try {
        f();
    } catch (const HttpError& e) {
        return e.what();
    }
    return {};
}

// Threads of this process right now.
std::size_t ThreadCount() {
#ifdef _WIN32
    const HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    std::size_t n = 0;
    THREADENTRY32 t{};
    t.dwSize = sizeof t;
    for (BOOL more = Thread32First(snap, &t); more; more = Thread32Next(snap, &t)) {
        n += t.th32OwnerProcessID == GetCurrentProcessId();
    }
    CloseHandle(snap);
    return n;
#else
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                      std::filesystem::directory_iterator{}));
#endif
}

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override { client.SetUserAgent("TestAgent 1.2"); }

    std::string Get(const std::string& url) {
        std::string sink;
        client.Get(url, sink);
        return sink;
    }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(server.Port()); }
    // A GET by a client of its own with other limits.
    static std::string GetWith(const HttpLimits& limits, const std::string& url) {
        THttpClient limited(limits);
        std::string sink;
        limited.Get(url, sink);
        return sink;
    }
    void UseServerAsProxy(const std::string& user = {}, const std::string& password = {}) {
        client.SetProxy(HttpProxy{"127.0.0.1", std::to_string(server.Port()), user, password});
    }

    FakeHttpServer server;
    THttpClient client;
};

// --- the request as the server receives it -----------------------------------

TEST_F(HttpClientTest, DirectRequestHasExactlyTheFixedHeadersInOrder) {
    server.Enqueue(FakeResponse::Ok("page"));
    EXPECT_EQ(Get(server.BaseUrl() + "/dran.php?login=a%20b"), "page");
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_EQ(server.Requests()[0], ExpectedRequest("/dran.php?login=a%20b", HostPort()));
}

TEST_F(HttpClientTest, RequestWithoutPathAsksForRoot) {
    Get(server.BaseUrl());
    EXPECT_EQ(server.Requests().at(0), ExpectedRequest("/", HostPort()));
}

TEST_F(HttpClientTest, ProxyGetsAbsoluteUrlAndHostWithoutDefaultPort) {
    UseServerAsProxy();
    server.Enqueue(FakeResponse::Ok("via proxy"));
    EXPECT_EQ(Get("http://www.vexelfeld.example/dran.php?login=x"), "via proxy");
    EXPECT_EQ(
        server.Requests().at(0),
        ExpectedRequest("http://www.vexelfeld.example/dran.php?login=x", "www.vexelfeld.example"));
}

TEST_F(HttpClientTest, ProxyRequestKeepsNonDefaultPortInUrlAndHost) {
    UseServerAsProxy();
    Get("http://game.example:8080/dran.php?login=");
    EXPECT_EQ(server.Requests().at(0),
              ExpectedRequest("http://game.example:8080/dran.php?login=", "game.example:8080"));
}

TEST_F(HttpClientTest, SinkReceivesBodyWithoutContentLength) {
    FakeResponse r = FakeResponse::Ok(std::string(100000, 'x') + "end");
    r.contentLength = false; // HTTP/1.0: the body ends with the connection
    server.Enqueue(r);
    EXPECT_EQ(Get(server.BaseUrl() + "/"), r.body);
}

TEST_F(HttpClientTest, BodyWithBinaryBytesArrivesUnchanged) {
    const std::string body("a\0b\r\n\xe4\xff", 7);
    server.Enqueue(FakeResponse::Ok(body));
    EXPECT_EQ(Get(server.BaseUrl() + "/"), body);
}

// --- statuses ----------------------------------------------------------------------

TEST_F(HttpClientTest, ErrorStatusFailsWithReasonPhraseAndLeavesSinkAlone) {
    server.Enqueue(FakeResponse::Status(404, "Not Found", "missing page"));
    std::string sink;
    EXPECT_EQ(FailureOf([&] { client.Get(server.BaseUrl() + "/x", sink); }), "Not Found");
    EXPECT_EQ(sink, "");
}

TEST_F(HttpClientTest, ReasonPhraseIsTakenAsSent) {
    server.Enqueue(FakeResponse::Status(503, "Service Temporarily Unavailable"));
    EXPECT_EQ(FailureOf([&] { Get(server.BaseUrl() + "/"); }), "Service Temporarily Unavailable");
}

TEST_F(HttpClientTest, ErrorStatusWithoutReasonPhraseStillSaysWhat) {
    server.Enqueue(FakeResponse::Status(500, ""));
    EXPECT_EQ(FailureOf([&] { Get(server.BaseUrl() + "/"); }), "Internal Server Error");
    server.Enqueue(FakeResponse::Status(555, ""));
    EXPECT_EQ(FailureOf([&] { Get(server.BaseUrl() + "/"); }), "Fehlerstatus 555 vom Server");
}

TEST_F(HttpClientTest, AuthorizationStatusesAreDeliveredAsPages) {
    server.Enqueue(FakeResponse::Status(401, "Unauthorized", "login first"));
    EXPECT_EQ(Get(server.BaseUrl() + "/"), "login first");
    // Without a proxy a 407 is just a page, and nothing is sent again.
    server.Enqueue(FakeResponse::Status(407, "Proxy Authentication Required", "who?"));
    EXPECT_EQ(Get(server.BaseUrl() + "/"), "who?");
    EXPECT_EQ(server.RequestCount(), 2u);
}

// --- proxy authentication -------------------------------------------------------

TEST_F(HttpClientTest, ProxyChallengeIsAnsweredOnceWithBasicCredentials) {
    UseServerAsProxy("user", "pass");
    server.Enqueue(FakeResponse::Status(407, "Proxy Authentication Required", "denied"));
    server.Enqueue(FakeResponse::Ok("Vexel - 2"));
    EXPECT_EQ(Get("http://game.example/dran.php?login=x"), "Vexel - 2");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], ExpectedRequest("http://game.example/dran.php?login=x", "game.example"));
    EXPECT_EQ(requests[1], ExpectedRequest("http://game.example/dran.php?login=x", "game.example",
                                           "Proxy-Authorization: Basic dXNlcjpwYXNz\r\n"));
}

TEST_F(HttpClientTest, SecondProxyRefusalIsDeliveredAsThePage) {
    UseServerAsProxy("user", "wrong");
    server.Enqueue(FakeResponse::Status(407, "Proxy Authentication Required", "first"));
    server.Enqueue(FakeResponse::Status(407, "Proxy Authentication Required", "second"));
    server.Enqueue(FakeResponse::Ok("never asked for"));
    EXPECT_EQ(Get("http://game.example/"), "second");
    EXPECT_EQ(server.RequestCount(), 2u);
}

TEST_F(HttpClientTest, CredentialsAreNotSentBeforeTheProxyAsksAgainInTheNextRequest) {
    UseServerAsProxy("user", "pass");
    server.Enqueue(FakeResponse::Status(407, "Proxy Authentication Required"));
    server.Enqueue(FakeResponse::Ok("one"));
    server.Enqueue(FakeResponse::Ok("two"));
    Get("http://game.example/");
    EXPECT_EQ(Get("http://game.example/"), "two");
    EXPECT_EQ(server.Requests().at(2), ExpectedRequest("http://game.example/", "game.example"));
}

TEST(Base64, EncodesLikeBasicAuthentication) {
    const std::pair<std::string, std::string> table[] = {
        {"", ""},
        {"a", "YQ=="},
        {"ab", "YWI="},
        {"abc", "YWJj"},
        {"user:pass", "dXNlcjpwYXNz"},
        {":", "Og=="},
        {"\xe4:\xff", "5Dr/"},
    };
    for (const auto& [in, out] : table) {
        EXPECT_EQ(Base64Encode(in), out) << in;
    }
}

// --- redirections ----------------------------------------------------------------

TEST_F(HttpClientTest, FiveRedirectionsAreFollowedAbsoluteAndRelative) {
    server.Enqueue(FakeResponse::Redirect(301, server.BaseUrl() + "/a/one"));
    server.Enqueue(FakeResponse::Redirect(302, "two?x=1"));
    server.Enqueue(FakeResponse::Redirect(303, "/three"));
    server.Enqueue(
        FakeResponse::Redirect(307, "//127.0.0.1:" + std::to_string(server.Port()) + "/four"));
    server.Enqueue(FakeResponse::Redirect(308, "/f\xc3\xbcnf"));
    server.Enqueue(FakeResponse::Ok("arrived"));
    EXPECT_EQ(Get(server.BaseUrl() + "/start"), "arrived");
    const auto r = server.Requests();
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[1].substr(0, 14), "GET /a/one HTT");
    EXPECT_EQ(r[2].substr(0, 18), "GET /a/two?x=1 HTT");
    EXPECT_EQ(r[3].substr(0, 16), "GET /three HTTP/");
    EXPECT_EQ(r[4].substr(0, 15), "GET /four HTTP/");
    EXPECT_EQ(r[5].substr(0, 21), "GET /f%C3%BCnf HTTP/1"); // the request line stays ASCII
}

TEST_F(HttpClientTest, SixthRedirectionEndsTheRequestWithItsBody) {
    for (int i = 1; i <= 6; ++i) {
        server.Enqueue(
            FakeResponse::Redirect(302, "/r" + std::to_string(i), "hop " + std::to_string(i)));
    }
    server.Enqueue(FakeResponse::Ok("not reached"));
    EXPECT_EQ(Get(server.BaseUrl() + "/"), "hop 6");
    EXPECT_EQ(server.RequestCount(), 6u);
}

TEST_F(HttpClientTest, RedirectionCountStartsAgainWithEachRequest) {
    for (int i = 0; i < 5; ++i) {
        server.Enqueue(FakeResponse::Redirect(302, "/again"));
    }
    server.Enqueue(FakeResponse::Ok("first"));
    for (int i = 0; i < 5; ++i) {
        server.Enqueue(FakeResponse::Redirect(302, "/again"));
    }
    server.Enqueue(FakeResponse::Ok("second"));
    EXPECT_EQ(Get(server.BaseUrl() + "/"), "first");
    EXPECT_EQ(Get(server.BaseUrl() + "/"), "second");
}

TEST_F(HttpClientTest, RedirectionWithoutLocationIsThePage) {
    server.Enqueue(FakeResponse::Status(302, "Found", "nowhere to go"));
    EXPECT_EQ(Get(server.BaseUrl() + "/"), "nowhere to go");
}

TEST_F(HttpClientTest, RedirectionTargetsAreCheckedBeforeAnythingIsSent) {
    const std::string port = std::to_string(server.Port());
    const std::string unusable = "Umleitung auf ";
    const struct {
        std::string location; // as the server sends it, after "Location: "
        std::string failure;  // "" for a target that is followed
    } table[] = {
        {"https://secure.example/", unusable + "\"https://secure.example/\" nicht verwendbar"},
        {"http://a b/",
         unusable + "\"http://a b/\" nicht verwendbar (Rechnername \"a b\" ungültig)"},
        // A folded line becomes one value with a blank in it.
        {"http://a\r\n b/",
         unusable + "\"http://a b/\" nicht verwendbar (Rechnername \"a b\" ungültig)"},
        {"http://host:0/", unusable + "\"http://host:0/\" nicht verwendbar (Port \"0\" ungültig)"},
        {"http://host:65536/",
         unusable + "\"http://host:65536/\" nicht verwendbar (Port \"65536\" ungültig)"},
        // The reply parser already refuses other control bytes in a value.
        {"http://ho\x01st/", "Antwort von " + HostPort() + " ist kein HTTP"},
        {"/a\tb", unusable + "\"/a\\x09b\" nicht verwendbar (Steuerzeichen in der Adresse)"},
        {"http://[::1/",
         unusable + "\"http://[::1/\" nicht verwendbar (Rechnername \"[::1\" ungültig)"},
        {"http://[::1%25lo]/",
         unusable + "\"http://[::1%25lo]/\" nicht verwendbar (Rechnername \"::1%25lo\" ungültig)"},
        {"http://127.1/",
         unusable + "\"http://127.1/\" nicht verwendbar (Rechnername \"127.1\" ungültig)"},
        {"http://localhost:" + port + "/next", ""},
    };
    for (bool viaProxy : {false, true}) {
        if (viaProxy) {
            UseServerAsProxy();
        }
        for (const auto& row : table) {
            SCOPED_TRACE(row.location + (viaProxy ? " via proxy" : ""));
            server.SetHandler([&](const std::string& request) {
                if (request.find("/next ") != std::string::npos) {
                    return FakeResponse::Ok("followed");
                }
                FakeResponse r;
                r.raw = "HTTP/1.0 302 Found\r\nLocation: " + row.location +
                        "\r\nContent-Length: 0\r\n\r\n";
                return r;
            });
            const std::size_t before = server.RequestCount();
            std::string page;
            EXPECT_EQ(FailureOf([&] { page = Get(server.BaseUrl() + "/"); }), row.failure);
            if (!row.failure.empty()) {
                EXPECT_EQ(server.RequestCount(), before + 1);
                continue;
            }
            EXPECT_EQ(page, "followed");
            ASSERT_EQ(server.RequestCount(), before + 2);
            EXPECT_EQ(server.Requests().back(),
                      ExpectedRequest(viaProxy ? row.location : "/next", "localhost:" + port));
        }
    }
    // An IPv6 literal is a valid target: through the proxy nothing needs to listen there.
    server.SetHandler({});
    server.Enqueue(FakeResponse::Redirect(302, "http://[::1]:8080/v6"));
    server.Enqueue(FakeResponse::Ok("followed"));
    EXPECT_EQ(Get("http://game.example/"), "followed");
    EXPECT_EQ(server.Requests().back(), ExpectedRequest("http://[::1]:8080/v6", "[::1]:8080"));
}

// --- failures of the connection ----------------------------------------------------

TEST_F(HttpClientTest, RefusedConnectionEndsWithTheErrorNumber) {
    const auto port = std::to_string(test::UnusedPort());
    EXPECT_EQ(FailureOf([&] { Get("http://127.0.0.1:" + port + "/"); }),
              "Verbindung zu 127.0.0.1:" + port + " fehlgeschlagen " +
                  std::to_string(test::RefusedConnectionCode()));
}

TEST_F(HttpClientTest, UnknownHostFailsWithItsName) {
    // The resolver's errors are system errors on Windows, and carry their number.
    const boost::system::error_code notFound = boost::asio::error::host_not_found;
    const std::string number = notFound.category() == boost::system::system_category()
                                   ? " " + std::to_string(notFound.value())
                                   : "";
    EXPECT_EQ(FailureOf([&] { Get("http://no-such-host.invalid/"); }),
              "Rechner \"no-such-host.invalid\" nicht gefunden" + number);
}

TEST_F(HttpClientTest, ServerThatNeverAnswersHitsTheTimeLimit) {
    FakeResponse hang;
    hang.hang = true;
    server.Enqueue(hang);
    HttpLimits limits;
    limits.requestTimeout = 300ms;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FailureOf([&] { GetWith(limits, server.BaseUrl() + "/"); }),
              "Zeitlimit der Anfrage an " + HostPort() + " (300 ms) erreicht");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

TEST_F(HttpClientTest, TimeLimitCoversTheWholeRedirectChain) {
    for (int i = 0; i < 5; ++i) {
        FakeResponse slow = FakeResponse::Redirect(302, "/next");
        slow.delay = 150ms;
        server.Enqueue(slow);
    }
    HttpLimits limits;
    limits.requestTimeout = 400ms;
    EXPECT_NE(
        FailureOf([&] { GetWith(limits, server.BaseUrl() + "/"); }).find("Zeitlimit der Anfrage"),
        std::string::npos);
}

TEST_F(HttpClientTest, OversizedBodyFails) {
    HttpLimits limits;
    limits.maxBodySize = 1000;
    server.Enqueue(FakeResponse::Ok(std::string(1000, 'a')));
    EXPECT_EQ(GetWith(limits, server.BaseUrl() + "/").size(), 1000u);
    server.Enqueue(FakeResponse::Ok(std::string(1001, 'a')));
    EXPECT_EQ(FailureOf([&] { GetWith(limits, server.BaseUrl() + "/"); }),
              "Antwort von " + HostPort() + " zu lang (Grenze 1000 Bytes)");
    FakeResponse endless = FakeResponse::Ok(std::string(5000, 'b'));
    endless.contentLength = false;
    server.Enqueue(endless);
    EXPECT_NE(FailureOf([&] { GetWith(limits, server.BaseUrl() + "/"); }).find("zu lang"),
              std::string::npos);
}

TEST_F(HttpClientTest, EndlessLinesAroundTheBodyFailAsTooLongWithoutKeepingThem) {
    const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const std::string tooLong =
        "Antwort von " + HostPort() + " zu lang (Grenze 65536 Bytes für Kopf- und Chunk-Zeilen)";
    const struct {
        std::string name, start, repeated; // start, then repeated until a few MB
    } table[] = {
        {"header line", "HTTP/1.1 200 OK\r\nX-Long: ", "h"},
        {"chunk extension", chunked + "1;", "e"},
        {"zeros in the chunk size", chunked, "0"},
        {"blanks after the chunk size", chunked + "1", " "},
        {"trailer", chunked + "0\r\n", "X-Trailer: 0123456789\r\n"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        FakeResponse endless;
        endless.raw = row.start;
        while (endless.raw.size() < 4u << 20) {
            endless.raw += row.repeated;
        }
        server.Enqueue(endless);
        EXPECT_EQ(FailureOf([&] { Get(server.BaseUrl() + "/"); }), tooLong);
    }
    // Within the limits a chunked reply arrives whole.
    FakeResponse fine;
    fine.raw = chunked + "5;name=value\r\nhello\r\nA\r\n, 10 bytes\r\n0\r\nX-Trailer: y\r\n\r\n";
    server.Enqueue(fine);
    EXPECT_EQ(Get(server.BaseUrl() + "/"), "hello, 10 bytes");
}

TEST_F(HttpClientTest, DefaultBodyLimitIsSixteenMebibytes) {
    const std::size_t defaultLimit = HttpLimits().maxBodySize;
    EXPECT_EQ(defaultLimit, 16u << 20);
    server.Enqueue(FakeResponse::Ok(std::string(defaultLimit, 'v')));
    EXPECT_EQ(Get(server.BaseUrl() + "/").size(), defaultLimit);
    server.Enqueue(FakeResponse::Ok(std::string(defaultLimit + 1, 'v')));
    EXPECT_NE(FailureOf([&] { Get(server.BaseUrl() + "/"); }).find("zu lang"), std::string::npos);
    FakeResponse chunked; // one chunk much larger than any read
    chunked.raw = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1000000\r\n" +
                  std::string(defaultLimit, 'c') + "\r\n0\r\n\r\n";
    server.Enqueue(chunked);
    EXPECT_EQ(Get(server.BaseUrl() + "/").size(), defaultLimit);
}

TEST_F(HttpClientTest, AnswerThatIsNotHttpFails) {
    FakeResponse junk;
    junk.raw = "SSH-2.0-OpenSSH_9.2\r\n\r\n";
    server.Enqueue(junk);
    EXPECT_EQ(FailureOf([&] { Get(server.BaseUrl() + "/"); }),
              "Antwort von " + HostPort() + " ist kein HTTP");
}

TEST_F(HttpClientTest, ConnectionClosedWithoutAnswerFails) {
    FakeResponse gone;
    gone.closeWithoutAnswer = true;
    server.Enqueue(gone);
    EXPECT_EQ(FailureOf([&] { Get(server.BaseUrl() + "/"); }),
              "Verbindung von " + HostPort() + " ohne Antwort beendet");
}

TEST_F(HttpClientTest, TruncatedBodyFails) {
    FakeResponse cut;
    cut.raw = "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nonly a part";
    server.Enqueue(cut);
    EXPECT_EQ(FailureOf([&] { Get(server.BaseUrl() + "/"); }),
              "Verbindung von " + HostPort() + " vor Ende der Antwort beendet");
}

TEST_F(HttpClientTest, UnusableAddressesFailBeforeAnyConnection) {
    EXPECT_EQ(FailureOf([&] { Get("https://x.example/"); }),
              "Adresse \"https://x.example/\" nicht verwendbar");
    EXPECT_EQ(
        FailureOf([&] { Get("http://x.example/a\x7f"); }),
        "Adresse \"http://x.example/a\\x7F\" nicht verwendbar (Steuerzeichen in der Adresse)");
    EXPECT_EQ(FailureOf([&] { Get("http://x.example:99999/"); }),
              "Adresse \"http://x.example:99999/\" nicht verwendbar (Port \"99999\" ungültig)");
    client.SetProxy(HttpProxy{"127.0.0.1", "70000", "", ""});
    EXPECT_EQ(FailureOf([&] { Get("http://x.example/"); }),
              "Proxy-Port \"70000\" nicht verwendbar");
}

#ifndef _WIN32 // the hanging lookup is interposed through the dynamic linker
// This binary carries the getaddrinfo of tests/e2e/StuckResolver.cpp: the
// name set below never resolves, as with a resolver that hangs.
TEST(HttpClientStuckResolver, TimeLimitsAndCancelEndALookupThatNeverReturns) {
    test::TempDir dir;
    const std::string mark = dir / "stuck";
    test::ScopedEnv stuckHost("VEXREM_TEST_STUCK_HOST", "stuck.invalid");
    test::ScopedEnv stuckMark("VEXREM_TEST_STUCK_MARK", mark.c_str());
    const struct {
        std::chrono::milliseconds connectLimit, requestLimit; // 0: none
        bool cancel;
        std::string failure;
    } table[] = {
        {0ms, 1s, false, "Zeitlimit der Anfrage an stuck.invalid:80 (1 s) erreicht"},
        {500ms, 60s, false,
         "Zeitlimit des Verbindungsaufbaus zu stuck.invalid:80 (500 ms) erreicht"},
        {0ms, 0ms, true, "Anfrage abgebrochen"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.failure);
        std::filesystem::remove(mark);
        HttpLimits limits;
        limits.connectTimeout = row.connectLimit;
        limits.requestTimeout = row.requestLimit;
        auto client = std::make_unique<THttpClient>(limits);
        auto pending = std::async(std::launch::async, [&] {
            std::string sink;
            return FailureOf([&] { client->Get("http://stuck.invalid/", sink); });
        });
        const auto giveUp = std::chrono::steady_clock::now() + 30s;
        while (!std::filesystem::exists(mark) && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(10ms);
        }
        const bool stuck = std::filesystem::exists(mark);
        if (row.cancel || !stuck) {
            client->Cancel();
        }
        ASSERT_TRUE(stuck) << "the lookup never started";
        ASSERT_EQ(pending.wait_for(30s), std::future_status::ready);
        EXPECT_EQ(pending.get(), row.failure);
        client.reset(); // must not wait for the lookup either
    }
}

// A resolver that never answers costs one thread per host, however many
// checks follow: while the lookup hangs, requests for that host fail at once.
TEST(HttpClientStuckResolver, HangingLookupIsNotStartedAgain) {
    test::ScopedEnv stuckHost("VEXREM_TEST_STUCK_HOST", "hang.invalid");
    HttpLimits limits;
    limits.requestTimeout = 200ms;
    THttpClient client(limits);
    std::string sink;
    EXPECT_EQ(FailureOf([&] { client.Get("http://hang.invalid/", sink); }),
              "Zeitlimit der Anfrage an hang.invalid:80 (200 ms) erreicht");
    const std::size_t before = ThreadCount();
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(FailureOf([&] { client.Get("http://hang.invalid/x", sink); }),
                  "Rechner \"hang.invalid\" nicht gefunden: die vorige Namensauflösung ist noch "
                  "nicht beendet");
    }
    EXPECT_EQ(ThreadCount(), before);
}
#endif // !_WIN32

// Many requests in one process, each with a name lookup and a redirect chain,
// some ended from another thread while they wait: every one must end with its
// page or its failure text, and the process must survive the threads the
// requests start and leave behind.
TEST_F(HttpClientTest, ManyRequestsWithLookupsRedirectsAndClosingInARow) {
    const std::string base = "http://localhost:" + std::to_string(server.Port());
    server.SetHandler([&](const std::string& request) {
        const std::size_t hop = request.find("GET /hop");
        if (hop == 0) {
            const int n = request[8] - '0';
            return n < 5 ? FakeResponse::Redirect(302, "/hop" + std::to_string(n + 1))
                         : FakeResponse::Ok("arrived");
        }
        FakeResponse hang;
        hang.hang = true;
        return hang;
    });
    constexpr int kRounds = 150;
    int arrived = 0;
    for (int i = 0; i < kRounds; ++i) {
        if (i % 10 == 9) {
            const std::size_t before = server.RequestCount();
            auto pending = std::async(std::launch::async,
                                      [&] { return FailureOf([&] { Get(base + "/wait"); }); });
            ASSERT_TRUE(server.WaitForRequests(before + 1, 10s));
            client.Close();
            ASSERT_EQ(pending.wait_for(10s), std::future_status::ready);
            EXPECT_EQ(pending.get(), "Verbindung zu localhost:" + std::to_string(server.Port()) +
                                         " wurde geschlossen");
        } else {
            arrived += Get(base + "/hop0") == "arrived";
        }
    }
    EXPECT_EQ(arrived, kRounds - kRounds / 10);
}

// --- ending requests from another thread --------------------------------------------

TEST_F(HttpClientTest, CancelEndsABlockedRequestAtOnceAndEveryLaterOne) {
    FakeResponse hang;
    hang.hang = true;
    server.Enqueue(hang);
    auto pending = std::async(std::launch::async,
                              [&] { return FailureOf([&] { Get(server.BaseUrl() + "/"); }); });
    ASSERT_TRUE(server.WaitForRequests(1, 5s));
    client.Cancel();
    ASSERT_EQ(pending.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(pending.get(), "Anfrage abgebrochen");
    EXPECT_TRUE(client.Cancelled());
    EXPECT_EQ(FailureOf([&] { Get(server.BaseUrl() + "/"); }), "Anfrage abgebrochen");
    EXPECT_EQ(server.RequestCount(), 1u);
}

// A request to an address starts no thread of its own, while it waits or
// otherwise: on Windows, a thread that Asio started for a request's timers
// crashed the program now and then when it began just as the request ended.
TEST_F(HttpClientTest, WaitingRequestRunsOnItsCallersThreadAlone) {
    FakeResponse hang;
    hang.hang = true;
    server.Enqueue(hang);
    const std::size_t before = ThreadCount();
    std::thread caller([&] { FailureOf([&] { Get(server.BaseUrl() + "/"); }); });
    ASSERT_TRUE(server.WaitForRequests(1, 10s));
    // the caller and the server's thread for the connection
    EXPECT_EQ(ThreadCount(), before + 2);
    client.Close();
    caller.join();
}

TEST_F(HttpClientTest, CloseEndsTheOpenConnectionOnly) {
    FakeResponse hang;
    hang.hang = true;
    server.Enqueue(hang);
    auto pending = std::async(std::launch::async,
                              [&] { return FailureOf([&] { Get(server.BaseUrl() + "/"); }); });
    ASSERT_TRUE(server.WaitForRequests(1, 5s));
    client.Close();
    ASSERT_EQ(pending.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(pending.get(), "Verbindung zu " + HostPort() + " wurde geschlossen");
    server.Enqueue(FakeResponse::Ok("fine again"));
    EXPECT_EQ(Get(server.BaseUrl() + "/"), "fine again");
    client.Close(); // idle: nothing to do
}

} // namespace
} // namespace vexrem
