#include "app/ui/ErrorTable.h"

namespace corvane {

namespace {

constexpr const char* kErrorTexts[kErrorCount] = {
    "Timed out waiting for projector",
    "Invalid sync with projector",
    "Unknown flash ID",
    "Flash Partition Descriptor Error",
    "Invalid or corrupt hex file!",
    "File and Projector Do Not Match",
    "File Format Error",
    "Error Opening File",
    "Could not communicate with projector",
    "Download Verification Error",
    "Function unsupported:",
    "Flash corrupted",
};

}  // namespace

const char* ErrorText(uint32_t index) {
    return index < kErrorCount ? kErrorTexts[index] : nullptr;
}

std::string FormatErrorMessage(uint32_t index, const char* detail) {
    const char* text = ErrorText(index);
    std::string message = text != nullptr ? text : "Unknown error " + std::to_string(index);
    if (detail != nullptr) {
        message += '\n';
        message += detail;
    }
    return message;
}

}  // namespace corvane
