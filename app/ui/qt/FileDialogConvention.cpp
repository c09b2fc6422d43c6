#include "app/ui/qt/FileDialogConvention.h"

#include <QFileInfo>

namespace corvane::qt {

namespace {

QStringList SplitPatterns(const QString& text) {
    QStringList patterns;
    for (const QString& part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString pattern = part.trimmed();
        if (!pattern.isEmpty()) {
            patterns.push_back(pattern);
        }
    }
    return patterns;
}

void Append(std::vector<char>& buffer, const QByteArray& text) {
    buffer.insert(buffer.end(), text.begin(), text.end());
    buffer.push_back('\0');
}

}  // namespace

std::vector<FileFilterEntry> ParseFileFilter(const char* filter) {
    std::vector<FileFilterEntry> entries;
    if (filter == nullptr) {
        return entries;
    }
    const QStringList fields = QString::fromUtf8(filter).split(QLatin1Char('|'));
    for (qsizetype at = 0; at + 1 < fields.size(); at += 2) {
        const QString name = fields[at].trimmed();
        const QStringList shown = SplitPatterns(fields[at + 1]);
        if (name.isEmpty() || shown.isEmpty()) {
            break;
        }
        FileFilterEntry entry;
        // A name that already lists its patterns ("All Files (*.*)") is kept.
        entry.display =
            name.endsWith(QLatin1Char(')')) ? name : name + " (" + shown.join(' ') + ")";
        for (const QString& pattern : shown) {
            entry.patterns.push_back(pattern == QLatin1String("*.*") ? QStringLiteral("*")
                                                                     : pattern);
        }
        entries.push_back(entry);
    }
    return entries;
}

std::optional<OpenFileResult> ToOpenFileResult(const QStringList& files, uint32_t bufferSize) {
    if (files.isEmpty()) {
        return std::nullopt;
    }
    OpenFileResult result;
    if (files.size() == 1) {
        const QByteArray path = QFileInfo(files[0]).absoluteFilePath().toUtf8();
        Append(result.buffer, path);
        result.fileOffset = static_cast<uint32_t>(path.lastIndexOf('/') + 1);
    } else {
        const QString folder = QFileInfo(files[0]).absolutePath();
        Append(result.buffer, folder.toUtf8());
        result.fileOffset = static_cast<uint32_t>(result.buffer.size());
        for (const QString& file : files) {
            const QFileInfo info(file);
            if (info.absolutePath() != folder) {
                return std::nullopt;
            }
            Append(result.buffer, info.fileName().toUtf8());
        }
        result.buffer.push_back('\0');
    }
    if (result.buffer.size() > bufferSize) {
        return std::nullopt;
    }
    return result;
}

}  // namespace corvane::qt
