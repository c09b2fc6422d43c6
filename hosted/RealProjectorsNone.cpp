#include "hosted/RealProjectors.h"

namespace corvane::hosted {

namespace {

constexpr const char* kInstalledDriver =
    "real projectors are reached through the installed Dornik driver here";

}  // namespace

bool StartRealProjectors(HostedSystem&, RealProjectorOptions, ProblemReport, std::string* error) {
    *error = kInstalledDriver;
    return false;
}

bool ListRealProjectors(const RealProjectorOptions&, std::vector<RealProjectorEntry>&,
                        std::string* error) {
    *error = kInstalledDriver;
    return false;
}

}  // namespace corvane::hosted
