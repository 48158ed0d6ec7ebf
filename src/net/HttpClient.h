#pragma once
// The program's one HTTP/1.0 client. Both workers share the main window's
// instance (one at a time, see RunningRequests); the GUI thread sets the proxy.
//
// A GET writes the body of the final response into a buffer the caller owns.
// Failures are HttpError exceptions whose message says what went wrong in
// plain words; where the OS gave an error number, the message ends with it,
// so the failure text can add the system's description.

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

namespace vexrem {

class HttpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fixed request values the program sends.
inline constexpr const char* kHttpAccept =
    "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
inline constexpr const char* kHttpPragma = "no-cache";
// The agent before the main window fills in the version and build number.
inline constexpr const char* kHttpUserAgentFormat =
    "Mozilla/3.0 (compatible; dVexRem %s; internal %s)";

// Limits that keep a dead or misbehaving server from holding a worker
// forever: time to connect (finding the host included), time for the whole
// GET (redirections included), and the largest body accepted. A time of 0
// sets no limit.
struct HttpLimits {
    std::chrono::milliseconds connectTimeout{30000};
    std::chrono::milliseconds requestTimeout{30000};
    std::size_t maxBodySize = 16u * 1024u * 1024u;
};

struct HttpProxy {
    std::string host; // empty: no proxy
    std::string port = "80";
    std::string username; // answered with HTTP Basic when the proxy asks
    std::string password;
};

class THttpClient {
public:
    explicit THttpClient(const HttpLimits& limits = HttpLimits());
    ~THttpClient();
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    // --- settings (thread-safe; take effect with the next request) ----------
    void SetUserAgent(const std::string& agent);
    void SetProxy(const HttpProxy& proxy);
    HttpProxy Proxy() const;

    // --- requests -------------------------------------------------------------
    // Blocking GET of an "http://" URL. Appends the body of the final response
    // to sink. Statuses of 400 and above fail with the reason phrase, except
    // 401 and 407, which are delivered like any page. Up to 5 redirections
    // are followed; the body of a sixth redirecting response is delivered.
    // Throws HttpError.
    void Get(const std::string& url, std::string& sink);

    // Ends a connection that is open right now (the GET in progress fails).
    // Harmless when idle. Any thread.
    void Close();
    // For program end: the GET in progress gives up at once, and every later
    // GET fails immediately. Any thread; cannot be undone.
    void Cancel();
    bool Cancelled() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Base64 as HTTP Basic authentication uses it (standard alphabet, padded).
std::string Base64Encode(const std::string& bytes);

} // namespace vexrem
