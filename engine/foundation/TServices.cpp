#include "foundation/TServices.h"

#include <cstdio>
#include <cstdlib>

TServices& Services() {
    static TServices services;
    return services;
}

void MissingService(const char* service) {
    std::fprintf(stderr,
                 "fatal: the engine's %s was used while no engine was built "
                 "(a program builds a TEngine before using the engine)\n",
                 service);
    std::fflush(stderr);
    std::abort();
}
