#include "status/DranSeiThread.h"

#include "platform/StringUtil.h"
#include "status/StatusPage.h"
#include "worker/CheckShared.h"
#include "worker/ServerAddress.h"

#include <memory>

namespace vexrem {

std::string URLEncode(const std::string& s) {
    std::string out;
    out.reserve(s.size() * 3);
    for (char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '.' || (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') ||
            (b >= 'a' && b <= 'z')) {
            out += c;
        } else {
            out += '%';
            out += HexByte(c);
        }
    }
    return out;
}

TDranSeiThread::TDranSeiThread(std::string userName, std::shared_ptr<TCheckShared> shared,
                               bool forced, DranbinHandler handler, std::string serverBase)
    : forced_(forced), handler_(std::move(handler)),
      worker_(SharedParts(shared, &TCheckShared::DranCheckRunning),
              serverBase + "/dran.php?login=" + URLEncode(userName), Steps()) {}

CheckSteps TDranSeiThread::Steps() {
    CheckSteps steps;
    steps.evaluate = [this](std::string page) {
        result_.Count = GetDranCount(page);
        if (result_.Count == 1) {
            result_.GID = GetDranGID(page);
        }
        result_.Text = std::move(page);
    };
    steps.fail = [this](const std::string& text) {
        result_ = rDranbinInfo{};
        result_.Error = true;
        result_.Text = text;
    };
    steps.handOver = [this] {
        handler_(result_, forced_);
    };
    // An evaluation fails only for want of memory on a huge page and the like;
    // its message would tell the user nothing.
    steps.unknownFailure = "Auswertung der Statusseite fehlgeschlagen";
    steps.evaluationMessages = false;
    return steps;
}

void TDranSeiThread::Execute() {
    worker_.Execute();
}

void StartDranCheck(const std::string& userName, const std::shared_ptr<TCheckShared>& shared,
                    bool forced, DranbinHandler handler, TWorkerThreads& workers,
                    const std::string& serverBase) {
    auto worker =
        std::make_shared<TDranSeiThread>(userName, shared, forced, std::move(handler),
                                         serverBase.empty() ? GameServerBase() : serverBase);
    StartCheck(shared->DranCheckRunning, workers, [worker] { worker->Execute(); });
}

} // namespace vexrem
