// Preloaded into the program by the end-to-end tests: getaddrinfo never
// returns for the host named in VEXREM_TEST_STUCK_HOST, as with a resolver
// that hangs; every other name goes to the real one. When a lookup starts to
// hang, the file named in VEXREM_TEST_STUCK_MARK is created, so a test knows
// that a worker sits in the resolver now.
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                           addrinfo** res) {
    const char* stuck = std::getenv("VEXREM_TEST_STUCK_HOST");
    if (node != nullptr && stuck != nullptr && std::strcmp(node, stuck) == 0) {
        if (const char* mark = std::getenv("VEXREM_TEST_STUCK_MARK")) {
            const int fd = open(mark, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
            if (fd >= 0) {
                close(fd);
            }
        }
        for (;;) {
            pause();
        }
    }
    using Fn = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static const auto real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "getaddrinfo"));
    return real(node, service, hints, res);
}
