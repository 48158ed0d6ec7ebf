#include "status/DranSeiThread.h"

#include "net/HttpClient.h"
#include "status/StatusPage.h"
#include "worker/FailureText.h"
#include "worker/GuiInvoker.h"
#include "worker/RunningRequests.h"
#include "worker/ServerAddress.h"
#include "worker/WorkerThreads.h"

#include <exception>
#include <memory>

namespace vexrem {

std::string URLEncode(const std::string& s) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size() * 3);
    for (char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '.' || (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
            (b >= 'a' && b <= 'z')) {
            out += c;
        } else {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

TDranSeiThread::TDranSeiThread(std::string userName, THttpClient& client, bool forced,
                               DranbinHandler handler, GuiInvoker& invoker, std::string serverBase)
    : userName_(std::move(userName)), client_(client), forced_(forced),
      handler_(std::move(handler)), invoker_(invoker), serverBase_(std::move(serverBase)) {}

void TDranSeiThread::Fetch(std::string& page) {
    const std::string url = serverBase_ + "/dran.php?login=" + URLEncode(userName_);
    // The buffer is ours; the client only writes into it during the GET.
    std::string buffer;
    {
        auto entry = RunningRequests.Enter();
        client_.Get(url, buffer);
    }
    page = std::move(buffer);
}

void TDranSeiThread::Execute() {
    // Whatever happens below, a new check must be possible afterwards.
    struct ClearRunning {
        ~ClearRunning() { DranCheckRunning = false; }
    } clearRunning;

    try {
        std::string page;
        try {
            Fetch(page);
        } catch (const std::exception& e) {
            result_.Error = true;
            result_.Text = FailureText(e.what());
        }
        if (!result_.Error) {
            result_.Count = GetDranCount(page);
            if (result_.Count == 1) {
                result_.GID = GetDranGID(page);
            }
            result_.Text = std::move(page);
        }
    } catch (...) {
        // Out of memory while evaluating a huge page and the like.
        result_ = rDranbinInfo{};
        result_.Error = true;
        result_.Text = "Auswertung der Statusseite fehlgeschlagen";
    }

    try {
        const rDranbinInfo& info = result_;
        const bool forced = forced_;
        invoker_.Invoke([&] { handler_(info, forced); });
    } catch (...) {
        // A failing handler must not take the worker (and the program) down.
    }
}

void StartDranCheck(const std::string& userName, THttpClient& client, bool forced,
                    DranbinHandler handler, GuiInvoker& invoker, TWorkerThreads& workers,
                    const std::string& serverBase) {
    DranCheckRunning = true;
    auto worker =
        std::make_shared<TDranSeiThread>(userName, client, forced, std::move(handler), invoker,
                                         serverBase.empty() ? GameServerBase() : serverBase);
    try {
        workers.Start([worker] { worker->Execute(); });
    } catch (...) {
        DranCheckRunning = false; // no thread: nobody else would clear it
        throw;
    }
}

} // namespace vexrem
