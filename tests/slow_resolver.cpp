// Preloaded into the resolve-limit test: names ending in ".slow.test" take
// ten seconds to fail to resolve; every other name resolves as usual.
#include <dlfcn.h>
#include <netdb.h>
#include <unistd.h>

#include <cstring>

extern "C" int getaddrinfo(const char* node, const char* service, const struct addrinfo* hints,
                           struct addrinfo** result) {
    const std::size_t length = node ? std::strlen(node) : 0;
    if (length > 10 && std::strcmp(node + length - 10, ".slow.test") == 0) {
        ::sleep(10);
        return EAI_AGAIN;
    }
    using Real = int (*)(const char*, const char*, const struct addrinfo*, struct addrinfo**);
    static Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "getaddrinfo"));
    return real(node, service, hints, result);
}
