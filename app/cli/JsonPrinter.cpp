// --json: every event and the summary as one JSON object per line on stdout.
#include <cinttypes>
#include <cstdio>

#include "app/cli/EventPrinter.h"
#include "app/ui/ControlIds.h"

namespace corvane::cli {

namespace {

const char* IconName(MessageBoxIcon icon) {
    switch (icon) {
        case MessageBoxIcon::Error:
            return "error";
        case MessageBoxIcon::Exclamation:
            return "warning";
        default:
            return "information";
    }
}

class JsonPrinter : public EventPrinter {
public:
    explicit JsonPrinter(const CliStreams& streams) : out_(streams.out) {}

    void ControlTextChanged(int templateId, int id, const std::string& text) override {
        if (templateId == kMainTemplateId && id == MainWindowIds::kStatus) {
            Line("{\"event\":\"status\",\"text\":" + JsonString(text) + "}");
        } else {
            Line("{\"event\":\"control\",\"window\":" + std::to_string(templateId) +
                 ",\"id\":" + std::to_string(id) + ",\"text\":" + JsonString(text) + "}");
        }
    }
    void ProgressShown(bool shown) override {
        Line(std::string("{\"event\":\"progress-bar\",\"shown\":") + (shown ? "true" : "false") +
             "}");
    }
    void ProgressChanged(int percent) override {
        std::string line = "{\"event\":\"progress\",\"percent\":" + std::to_string(percent);
        if (total_ > 0) {
            line += ",\"bytes\":" + std::to_string(total_ * static_cast<uint64_t>(percent) / 100) +
                    ",\"total\":" + std::to_string(total_);
        }
        Line(line + "}");
    }
    void MessageBoxShown(const std::string& caption, const std::string& text,
                         MessageBoxIcon icon) override {
        Line("{\"event\":\"message-box\",\"caption\":" + JsonString(caption) +
             ",\"text\":" + JsonString(text) + ",\"icon\":\"" + IconName(icon) + "\"}");
    }
    void ProgressScale(uint64_t totalBytes) override { total_ = totalBytes; }
    void EngineError(uint32_t code, const std::string& text) override {
        Line("{\"event\":\"error\",\"code\":" + std::to_string(code) +
             ",\"text\":" + JsonString(text) + "}");
    }
    void Note(const std::string& text) override {
        Line("{\"event\":\"note\",\"text\":" + JsonString(text) + "}");
    }
    void Summary(const OperationSummary& summary) override {
        std::string line = "{\"event\":\"summary\",\"operation\":" + JsonString(summary.operation);
        line += std::string(",\"result\":\"") + (summary.ok ? "ok" : "failed") + "\"";
        line += ",\"errorCode\":" +
                (summary.errorCode ? std::to_string(*summary.errorCode) : std::string("null"));
        line +=
            ",\"errorText\":" + (summary.ok ? std::string("null") : JsonString(summary.errorText));
        line += ",\"platform\":" + JsonString(summary.platform);
        line += ",\"partNumber\":" + JsonString(summary.partNumber);
        line += ",\"serialNumber\":" + JsonString(summary.serialNumber);
        line += ",\"partitions\":[";
        for (size_t i = 0; i < summary.partitions.size(); ++i) {
            char span[64];
            std::snprintf(span, sizeof span, "%s{\"start\":%" PRIu32 ",\"end\":%" PRIu32 "}",
                          i == 0 ? "" : ",", summary.partitions[i].start,
                          summary.partitions[i].end);
            line += span;
        }
        line += "],\"files\":[";
        for (size_t i = 0; i < summary.files.size(); ++i) {
            line += i == 0 ? "" : ",";
            line += JsonString(summary.files[i]);
        }
        char tail[96];
        std::snprintf(tail, sizeof tail, "],\"bytesSent\":%" PRIu64 ",\"seconds\":%.3f}",
                      summary.bytesSent, summary.seconds);
        Line(line + tail);
    }

private:
    void Line(const std::string& line) {
        std::fprintf(out_, "%s\n", line.c_str());
        std::fflush(out_);
    }

    FILE* out_;
    uint64_t total_ = 0;
};

}  // namespace

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                json += "\\\"";
                break;
            case '\\':
                json += "\\\\";
                break;
            case '\n':
                json += "\\n";
                break;
            case '\r':
                json += "\\r";
                break;
            case '\t':
                json += "\\t";
                break;
            default:
                if (byte < 0x20 || byte >= 0x7F) {
                    // Device texts are ASCII; anything else is escaped byte by
                    // byte so that the line stays valid JSON.
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                    json += escaped;
                } else {
                    json += c;
                }
        }
    }
    return json + "\"";
}

std::unique_ptr<EventPrinter> MakeJsonPrinter(const CliStreams& streams) {
    return std::make_unique<JsonPrinter>(streams);
}

}  // namespace corvane::cli
