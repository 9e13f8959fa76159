#pragma once
// The emulated FX2 boards on a mock Linux USB bus (umockdev): sysfs entries,
// device nodes and usbfs ioctls, so that the real libusb runs unchanged
// against them, in this process (under the umockdev preload) or in a child.
// Boards come and go on the bus as they do on a real one: the firmware load
// takes a board away and brings it back at the same port under a new address.

#include "sim/EmulatedFx2.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace cv::sim {

// What usbfs-board --fail names: a fault of the emulated FX2, or one of the
// bus ("busy": another program holds the interface; "noperm": the device
// node cannot be opened).
struct UsbfsFailure {
    Fx2Fault fault;
    bool busy = false;
    bool noPermission = false;
};
// "stall:N", "timeout:N", "unplug:MS", "busy" or "noperm"; nullopt otherwise.
std::optional<UsbfsFailure> parseUsbfsFailure(const QString& text);

// True when this process runs under the umockdev preload, so that libusb
// here sees the mock bus.
bool underUsbfsPreload();
// The preload library for a child (the name the dynamic loader finds).
QString usbfsPreloadLibrary();
// Runs this program again under the preload (the bus's own files are seen
// through it too); returns only when it is there already or cannot be.
void reexecUnderUsbfsPreload(char** argv);

class UsbfsBus {
public:
    // The mock bus is empty until boards are plugged; a background thread
    // keeps it in step with the boards' coming and going.
    UsbfsBus();
    ~UsbfsBus();
    UsbfsBus(const UsbfsBus&) = delete;
    UsbfsBus& operator=(const UsbfsBus&) = delete;

    // Plugs a board in; returns its simulation (its EEPROM, its chip).
    SimBoard& plug(const Fx2DeviceConfig& config);
    // Device nodes made from now on open for no one but root; the bus
    // folder opens for all (a child that drops root makes its sockets there).
    void restrictDeviceNodes();

    // What a child process needs in its environment to see this bus.
    QStringList childEnvironment() const;
    QString rootDir() const;

    // Every control transfer the boards saw, in order.
    std::vector<EmulatedFx2::Transfer> transfers() const;

    struct Impl;

private:
    std::unique_ptr<Impl> d_;
};

} // namespace cv::sim
