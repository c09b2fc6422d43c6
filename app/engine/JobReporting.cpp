#include "app/engine/JobReporting.h"

#include "app/ui/OwnedText.h"
#include "app/ui/StringTable.h"
#include "app/ui/WindowMessages.h"

namespace corvane {

namespace {

void PostText(EngineContext& context, uint32_t control, OwnedText text) {
    if (context.mainWindowQueue == nullptr) {
        return;  // nobody to receive it: freed here
    }
    context.mainWindowQueue->Post(WM_SET_CONTROL_TEXT, control,
                                  ReleaseTextToParam(std::move(text)));
}

}  // namespace

void PostToMainWindow(EngineContext& context, uint32_t message, uint32_t wParam,
                      const void* lParam) {
    if (context.mainWindowQueue != nullptr) {
        context.mainWindowQueue->Post(message, wParam, reinterpret_cast<platform::LParam>(lParam));
    }
}

void PostProgress(EngineContext& context, uint32_t value) {
    PostToMainWindow(context, WM_SET_PROGRESS, value);
}

void PostControlText(EngineContext& context, uint32_t control, const char* text) {
    PostText(context, control, CopyText(text));
}

void PostControlTextId(EngineContext& context, uint32_t control, uint32_t stringId) {
    // Sized to the text: "Requesting Flash Partitions..." alone has 30
    // characters, and a fixed 30-byte buffer would cut its last dot.
    PostText(context, control, CopyText(LoadStringText(stringId)));
}

}  // namespace corvane
