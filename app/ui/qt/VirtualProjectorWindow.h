// "Virtual projector": a small window beside the main window while corvane
// runs with --simulate. It plugs, unplugs and restarts the projector, sets a
// fault for what the program does next, and shows the projector's state
// (attachment, part and serial number, NVRAM, each partition erased, holding
// its old firmware or programmed anew), refreshed when the projector changes,
// at most a few times a second; an idle projector costs nothing.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/ProjectorConfig.h"
#include "sim/VirtualProjector.h"

namespace corvane::qt {

class VirtualProjectorWindow : public QWidget {
    Q_OBJECT

public:
    // The projector must outlive the window.
    VirtualProjectorWindow(sim::VirtualProjector& projector, sim::ProjectorConfig config);
    ~VirtualProjectorWindow() override;
    VirtualProjectorWindow(const VirtualProjectorWindow&) = delete;
    VirtualProjectorWindow& operator=(const VirtualProjectorWindow&) = delete;

    // Shows the window beside the main window, wholly on its screen.
    void ShowBeside(QWidget& mainWindow);
    // Sets the fault item ("refuse=E", "unplug-after-blocks=3", "" for none);
    // false with the reason shown when the projector does not know it.
    bool SetFault(const QString& item);
    // Reads the projector's state into the labels now.
    void Refresh();

    QString StateText() const;

private:
    // Shared with the projector's observer, which may still run on another
    // thread while the window goes.
    struct ChangeWake {
        std::mutex mutex;
        VirtualProjectorWindow* target = nullptr;
        bool pending = false;  // a refresh is on its way
    };
    static void OnProjectorChanged(const std::shared_ptr<ChangeWake>& wake);
    void RefreshLater();
    void RefreshNow();

    QString PartitionText(const std::vector<uint8_t>& flash) const;

    sim::VirtualProjector& projector_;
    sim::ProjectorConfig config_;
    std::vector<std::size_t> oldFirmware_;  // a hash of each partition at start
    QLabel* attachment_;
    QLabel* identity_;
    QLabel* nvram_;
    QLabel* partitions_;
    QLabel* faultStatus_;
    QComboBox* fault_;
    QTimer refresh_;  // single shot: at most one refresh per kRefreshMs
    std::shared_ptr<ChangeWake> wake_;
};

}  // namespace corvane::qt
