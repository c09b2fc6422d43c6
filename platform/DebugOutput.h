// Diagnostic text for a debugger (OutputDebugStringA): silent unless a front
// end installs a sink.
#pragma once

#include <functional>
#include <string>

namespace corvane::platform {

class DebugOutput {
public:
    using Sink = std::function<void(const char* text)>;

    void SetSink(Sink sink) { sink_ = std::move(sink); }
    void Write(const char* text) const {
        if (sink_) {
            sink_(text);
        }
    }

private:
    Sink sink_;
};

}  // namespace corvane::platform
