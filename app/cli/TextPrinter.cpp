// The text form: status-line changes as lines, a live progress bar on a
// terminal (plain percentage lines otherwise), message boxes on stderr as
// "<caption>: <text>".
#include <chrono>
#include <cinttypes>
#include <cstdio>

#include "app/cli/EventPrinter.h"
#include "app/ui/ControlIds.h"

namespace corvane::cli {

namespace {

using Clock = std::chrono::steady_clock;

// A message box's lines on one line: "Error Opening File\n/x.hex" reads
// "Error Opening File: /x.hex", "Path too long:\n/x" reads "Path too long: /x".
std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '\n') {
            line += (!line.empty() && line.back() == ':') ? " " : ": ";
        } else if (c != '\r') {
            line += c;
        }
    }
    return line;
}

std::string Amount(double bytes) {
    char text[32];
    if (bytes >= 1024 * 1024) {
        std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024 * 1024));
    } else if (bytes >= 1024) {
        std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024);
    } else {
        std::snprintf(text, sizeof text, "%.0f B", bytes);
    }
    return text;
}

// What -v calls the main window's controls.
std::string ControlName(int templateId, int id) {
    if (templateId == kMainTemplateId) {
        switch (id) {
            case MainWindowIds::kPlatformId:
                return "platform";
            case MainWindowIds::kPartNumber:
                return "part number";
            case MainWindowIds::kSerialNumber:
                return "serial number";
            case MainWindowIds::kNewPartNumber:
                return "new part number";
            case MainWindowIds::kNewSerialNumber:
                return "new serial number";
            default:
                break;
        }
    }
    return std::to_string(templateId) + ":" + std::to_string(id);
}

class TextPrinter : public EventPrinter {
public:
    TextPrinter(const CliStreams& streams, PrinterOptions options)
        : out_(streams.out), err_(streams.err), options_(options) {}

    void ControlTextChanged(int templateId, int id, const std::string& text) override {
        const bool status = templateId == kMainTemplateId && id == MainWindowIds::kStatus;
        if (options_.quiet || (!status && !options_.verbose) || text.empty()) {
            return;
        }
        EndBar();
        if (status) {
            std::fprintf(out_, "%s\n", text.c_str());
        } else {
            std::fprintf(out_, "  [%s] %s\n", ControlName(templateId, id).c_str(), text.c_str());
        }
        std::fflush(out_);
    }
    void ProgressShown(bool shown) override {
        if (!shown) {
            EndBar();
        }
        lastPercent_ = -1;
        started_ = Clock::now();
    }
    void ProgressChanged(int percent) override {
        if (options_.quiet || percent == lastPercent_) {
            return;
        }
        if (percent < lastPercent_) {
            started_ = Clock::now();  // the next file
        }
        lastPercent_ = percent;
        if (!options_.terminal) {
            std::fprintf(out_, "%d%%\n", percent);
        } else {
            DrawBar(percent);
        }
        std::fflush(out_);
    }
    void MessageBoxShown(const std::string& caption, const std::string& text,
                         MessageBoxIcon) override {
        EndBar();
        std::fprintf(err_, "%s: %s\n", caption.c_str(), OneLine(text).c_str());
        std::fflush(err_);
    }
    void ProgressScale(uint64_t totalBytes) override { total_ = totalBytes; }
    void EngineError(uint32_t, const std::string&) override {}  // its message box says it
    void Note(const std::string& text) override {
        if (!options_.quiet) {
            EndBar();
            std::fprintf(out_, "%s\n", text.c_str());
            std::fflush(out_);
        }
    }
    void Summary(const OperationSummary& summary) override {
        EndBar();
        if (summary.ok && summary.operation == "info") {
            PrintIdentity(summary);
        }
        if (summary.ok) {
            std::fprintf(out_, "%s: ok", summary.operation.c_str());
            if (summary.bytesSent > 0) {
                std::fprintf(out_, ", %s sent",
                             Amount(static_cast<double>(summary.bytesSent)).c_str());
            }
            std::fprintf(out_, " in %.1f s\n", summary.seconds);
        } else {
            std::fprintf(err_, "%s: failed: %s\n", summary.operation.c_str(),
                         OneLine(summary.errorText).c_str());
        }
        std::fflush(out_);
        std::fflush(err_);
    }

private:
    void PrintIdentity(const OperationSummary& summary) {
        std::fprintf(out_, "platform: %s\npart number: %s\nserial number: %s\n",
                     summary.platform.c_str(), summary.partNumber.c_str(),
                     summary.serialNumber.c_str());
        std::fprintf(out_, "partitions: %zu\n", summary.partitions.size());
        for (size_t i = 0; i < summary.partitions.size(); ++i) {
            const PartitionSpan& span = summary.partitions[i];
            std::fprintf(out_, "  %zu: %06" PRIX32 "-%06" PRIX32 " (%" PRIu32 " bytes)\n", i,
                         span.start, span.end - 1, span.end - span.start);
        }
    }
    void DrawBar(int percent) {
        constexpr int kWidth = 30;
        const int filled = percent * kWidth / 100;
        std::string bar(static_cast<size_t>(filled), '#');
        bar.append(static_cast<size_t>(kWidth - filled), '.');
        const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
        std::string detail;
        if (total_ > 0) {
            const double bytes = static_cast<double>(total_) * percent / 100;
            detail = "  " + Amount(bytes) + " of " + Amount(static_cast<double>(total_));
            if (seconds > 0.2 && bytes > 0) {
                const double rate = bytes / seconds;
                char text[64];
                std::snprintf(text, sizeof text, "  %s/s  %.0f s left", Amount(rate).c_str(),
                              (static_cast<double>(total_) - bytes) / rate);
                detail += text;
            }
        } else if (seconds > 0.2 && percent > 0) {
            char text[48];
            std::snprintf(text, sizeof text, "  %.0f s left", seconds * (100 - percent) / percent);
            detail = text;
        }
        std::fprintf(out_, "\r[%s] %3d%%%s\033[K", bar.c_str(), percent, detail.c_str());
        barShown_ = true;
    }
    void EndBar() {
        if (barShown_) {
            std::fprintf(out_, "\n");
            barShown_ = false;
        }
    }

    FILE* out_;
    FILE* err_;
    PrinterOptions options_;
    uint64_t total_ = 0;
    int lastPercent_ = -1;
    Clock::time_point started_ = Clock::now();
    bool barShown_ = false;
};

}  // namespace

std::unique_ptr<EventPrinter> MakeTextPrinter(const CliStreams& streams, PrinterOptions options) {
    return std::make_unique<TextPrinter>(streams, options);
}

}  // namespace corvane::cli
