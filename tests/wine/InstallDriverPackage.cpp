// install-driver-package INF: adds a driver package (an INF and the files
// beside it) to the system's INF store, as "pnputil -a" does on Windows, so
// that Plug and Play installs its driver when a matching device arrives.
#include <windows.h>

#include <setupapi.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: install-driver-package INF\n");
        return 2;
    }
    char source[MAX_PATH];
    if (GetFullPathNameA(argv[1], MAX_PATH, source, nullptr) == 0) {
        std::fprintf(stderr, "install-driver-package: %s: error %lu\n", argv[1], GetLastError());
        return 1;
    }
    char installed[MAX_PATH];
    if (!SetupCopyOEMInfA(source, nullptr, SPOST_PATH, 0, installed, MAX_PATH, nullptr, nullptr)) {
        std::fprintf(stderr, "install-driver-package: %s: error %lu\n", source, GetLastError());
        return 1;
    }
    std::printf("%s\n", installed);
    return 0;
}
