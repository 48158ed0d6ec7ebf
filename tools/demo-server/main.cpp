// vexrem-demo-server: a stand-in game server for trying out the reminder.
#include "GameState.h"
#include "HttpServer.h"
#include "Router.h"
#include "ServerOptions.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace vexrem::demo;
    try {
        const ServerOptions options =
            parseServerOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) {
            std::cout << usageText();
            return 0;
        }
        GameState::Settings settings;
        settings.turnDelay = options.turnDelay;
        settings.dataDir = options.dataDir;
        GameState state(settings);
        const Router router(state);
        HttpServer server(options.bindAddress, options.port,
                          [&router](const Request& request) { return router.handle(request); });
        server.stopOnSignals();
        // Scripts and tests read this first line to learn the port.
        std::cout << "listening on " << server.address() << ':' << server.port() << std::endl;
        server.run();
        std::cout << "stopped" << std::endl;
        return 0;
    } catch (const UsageError& error) {
        std::cerr << "vexrem-demo-server: " << error.what() << '\n' << usageText();
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "vexrem-demo-server: " << error.what() << '\n';
        return 1;
    }
}
