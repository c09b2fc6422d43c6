// "Virtual projector": a small window beside the main window while corvane
// runs with --simulate. It plugs, unplugs and restarts the projector, sets a
// fault for what the program does next, and shows the projector's state
// (attachment, part and serial number, NVRAM, each partition erased, holding
// its old firmware or programmed anew), refreshed a few times a second.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstddef>
#include <vector>

#include "sim/ProjectorConfig.h"
#include "sim/VirtualProjector.h"

namespace corvane::qt {

class VirtualProjectorWindow : public QWidget {
    Q_OBJECT

public:
    // The projector must outlive the window.
    VirtualProjectorWindow(sim::VirtualProjector& projector, sim::ProjectorConfig config);

    // Shows the window to the right of the main window.
    void ShowBeside(QWidget& mainWindow);
    // Sets the fault item ("refuse=E", "unplug-after-blocks=3", "" for none);
    // false with the reason shown when the projector does not know it.
    bool SetFault(const QString& item);
    // Reads the projector's state into the labels now.
    void Refresh();

    QString StateText() const;

private:
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
    QTimer refresh_;
};

}  // namespace corvane::qt
