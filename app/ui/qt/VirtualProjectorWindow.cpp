#include "app/ui/qt/VirtualProjectorWindow.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <string_view>

#include "app/ui/qt/WindowPlacement.h"
#include "sim/SimulateOptions.h"

namespace corvane::qt {

namespace {

constexpr int kRefreshMs = 250;
constexpr int kGapPixels = 12;  // between the main window and this one

const char* const kFaultExamples[] = {
    "",
    "refuse=E",
    "refuse=I:3",
    "silence=V",
    "unplug-after-blocks=3",
    "unplug-at=E",
    "split=B:5",
    "zlp=I",
    "wrong-crc=1",
    "long-reply=I:80",
};

std::size_t HashOf(const std::vector<uint8_t>& flash, uint32_t from, uint32_t to) {
    to = std::min<uint32_t>(to, static_cast<uint32_t>(flash.size()));
    from = std::min(from, to);
    return std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(flash.data()) + from, to - from));
}

bool AllErased(const std::vector<uint8_t>& flash, uint32_t from, uint32_t to) {
    to = std::min<uint32_t>(to, static_cast<uint32_t>(flash.size()));
    return std::all_of(flash.begin() + std::min(from, to), flash.begin() + to,
                       [](uint8_t byte) { return byte == 0xFF; });
}

}  // namespace

VirtualProjectorWindow::VirtualProjectorWindow(sim::VirtualProjector& projector,
                                               sim::ProjectorConfig config)
    : QWidget(nullptr, Qt::Window),
      projector_(projector),
      config_(std::move(config)),
      attachment_(new QLabel),
      identity_(new QLabel),
      nvram_(new QLabel),
      partitions_(new QLabel),
      faultStatus_(new QLabel),
      fault_(new QComboBox) {
    setWindowTitle(QStringLiteral("Virtual projector"));
    const std::vector<uint8_t> flash = projector_.FlashContents();
    const sim::PartitionLayout layout = projector_.Layout();
    for (size_t index = 0; index < layout.starts.size(); ++index) {
        oldFirmware_.push_back(HashOf(flash, layout.starts[index], layout.EndOf(index)));
    }

    auto* plug = new QPushButton(QStringLiteral("Plug in"));
    auto* unplug = new QPushButton(QStringLiteral("Unplug"));
    auto* restart = new QPushButton(QStringLiteral("Restart"));
    connect(plug, &QPushButton::clicked, this, [this] {
        projector_.Plug();
        Refresh();
    });
    connect(unplug, &QPushButton::clicked, this, [this] {
        projector_.Unplug();
        Refresh();
    });
    connect(restart, &QPushButton::clicked, this, [this] {
        projector_.Unplug();
        projector_.Plug();
        Refresh();
    });
    auto* cable = new QHBoxLayout;
    cable->addWidget(plug);
    cable->addWidget(unplug);
    cable->addWidget(restart);

    fault_->setEditable(true);
    for (const char* example : kFaultExamples) {
        fault_->addItem(QString::fromLatin1(example));
    }
    fault_->setToolTip(QStringLiteral("A fault for what the program does next; empty: none"));
    auto* setFault = new QPushButton(QStringLiteral("Set fault"));
    connect(setFault, &QPushButton::clicked, this, [this] { SetFault(fault_->currentText()); });
    auto* faultRow = new QHBoxLayout;
    faultRow->addWidget(fault_, 1);
    faultRow->addWidget(setFault);

    auto* state = new QFormLayout;
    state->addRow(QStringLiteral("Cable:"), attachment_);
    state->addRow(QStringLiteral("Identity:"), identity_);
    state->addRow(QStringLiteral("NVRAM:"), nvram_);
    state->addRow(QStringLiteral("Flash:"), partitions_);
    for (QLabel* label : {attachment_, identity_, nvram_, partitions_, faultStatus_}) {
        label->setTextFormat(Qt::PlainText);
    }

    auto* layoutBox = new QVBoxLayout(this);
    layoutBox->addLayout(cable);
    layoutBox->addLayout(faultRow);
    layoutBox->addWidget(faultStatus_);
    layoutBox->addLayout(state);
    refresh_.setSingleShot(true);
    connect(&refresh_, &QTimer::timeout, this, &VirtualProjectorWindow::RefreshNow);
    wake_ = std::make_shared<ChangeWake>();
    wake_->target = this;
    std::shared_ptr<ChangeWake> wake = wake_;
    projector_.SetChangeObserver([wake] { OnProjectorChanged(wake); });
    Refresh();
}

VirtualProjectorWindow::~VirtualProjectorWindow() {
    projector_.SetChangeObserver(nullptr);
    std::lock_guard lock(wake_->mutex);
    wake_->target = nullptr;
}

void VirtualProjectorWindow::OnProjectorChanged(const std::shared_ptr<ChangeWake>& wake) {
    std::lock_guard lock(wake->mutex);
    if (wake->target == nullptr || wake->pending) {
        return;  // gone, or the coming refresh shows this change too
    }
    wake->pending = true;
    VirtualProjectorWindow* window = wake->target;
    QMetaObject::invokeMethod(
        window, [window] { window->RefreshLater(); }, Qt::QueuedConnection);
}

void VirtualProjectorWindow::RefreshLater() {
    if (!refresh_.isActive()) {
        refresh_.start(kRefreshMs);
    }
}

void VirtualProjectorWindow::RefreshNow() {
    {
        // Cleared before reading: a change from now on asks for another refresh.
        std::lock_guard lock(wake_->mutex);
        wake_->pending = false;
    }
    Refresh();
}

void VirtualProjectorWindow::ShowBeside(QWidget& mainWindow) {
    const QRect frame = mainWindow.frameGeometry();
    QSize own = frameGeometry().size();
    if (!isVisible()) {
        // Not framed yet: its own size, in the frame the main window got.
        adjustSize();
        own = size() + (frame.size() - mainWindow.size());
    }
    const QScreen* screen = mainWindow.screen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : frame;
    move(PlaceBeside(frame, own, available, kGapPixels));
    show();
}

bool VirtualProjectorWindow::SetFault(const QString& item) {
    sim::ProjectorConfig fresh = config_;
    fresh.faults = {};
    std::string error;
    const std::string text = item.trimmed().toStdString();
    if (!text.empty() && !sim::ApplySimulateOption(text, fresh, &error)) {
        faultStatus_->setText(QStringLiteral("Not a fault: ") + QString::fromStdString(error));
        return false;
    }
    projector_.SetFaults(fresh.faults);
    faultStatus_->setText(text.empty() ? QStringLiteral("No fault set")
                                       : QStringLiteral("Fault set: ") + item.trimmed());
    return true;
}

QString VirtualProjectorWindow::PartitionText(const std::vector<uint8_t>& flash) const {
    const sim::PartitionLayout layout = projector_.Layout();
    QStringList lines;
    for (size_t index = 0; index < layout.starts.size(); ++index) {
        const uint32_t from = layout.starts[index];
        const uint32_t to = layout.EndOf(index);
        QString state;
        if (AllErased(flash, from, to)) {
            state = QStringLiteral("erased");
        } else if (index < oldFirmware_.size() && HashOf(flash, from, to) == oldFirmware_[index]) {
            state = QStringLiteral("old firmware");
        } else {
            state = QStringLiteral("programmed");
        }
        lines.push_back(QStringLiteral("%1: %2-%3 %4")
                            .arg(index)
                            .arg(from, 6, 16, QLatin1Char('0'))
                            .arg(to - 1, 6, 16, QLatin1Char('0'))
                            .arg(state));
    }
    return lines.join('\n');
}

void VirtualProjectorWindow::Refresh() {
    attachment_->setText(
        QStringLiteral("%1, %2 mode, %3 restarts")
            .arg(projector_.IsAttached() ? "plugged in" : "unplugged")
            .arg(projector_.Mode() == sim::ProjectorMode::Flash ? "flash" : "normal")
            .arg(projector_.RestartCount()));
    identity_->setText(QStringLiteral("PN %1, SN %2")
                           .arg(QString::fromStdString(projector_.PartNumber()),
                                QString::fromStdString(projector_.SerialNumber())));
    const std::vector<uint8_t> nvram = projector_.NvramContents();
    const bool cleared =
        std::all_of(nvram.begin(), nvram.end(), [](uint8_t b) { return b == 0xFF; });
    nvram_->setText(QStringLiteral("%1 bytes, %2, cleared %3 times")
                        .arg(nvram.size())
                        .arg(cleared ? "cleared" : "holds data")
                        .arg(projector_.NvramClearCount()));
    partitions_->setText(PartitionText(projector_.FlashContents()));
}

QString VirtualProjectorWindow::StateText() const {
    return attachment_->text() + '\n' + identity_->text() + '\n' + nvram_->text() + '\n' +
           partitions_->text();
}

}  // namespace corvane::qt
