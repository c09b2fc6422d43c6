#include "app/ui/OwnedText.h"

#include <cstring>

namespace corvane {

OwnedText CopyText(const char* text) {
    if (text == nullptr) {
        text = "";
    }
    const size_t size = std::strlen(text) + 1;
    OwnedText copy(new char[size]);
    std::memcpy(copy.get(), text, size);
    return copy;
}

platform::LParam ReleaseTextToParam(OwnedText text) {
    return reinterpret_cast<platform::LParam>(text.release());
}

OwnedText TakePostedText(platform::LParam param) {
    return OwnedText(reinterpret_cast<char*>(param));
}

}  // namespace corvane
