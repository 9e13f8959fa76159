#pragma once
// The standard requests of USB as an FX2 answers them on endpoint 0: in its
// boot ROM with the chip's default identity and no strings, and running the
// protocol firmware, which reports the board's identity and its name.

#include "link/UsbBackend.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace cv::sim {

// The device descriptor, then the one configuration with its one vendor
// interface, as a usbfs node and sysfs "descriptors" hold them.
QByteArray fx2Descriptors(const UsbDeviceInfo& device);
// String descriptor `index` of the device as text (1: manufacturer, 2:
// product); empty where the device has none (the boot ROM has none).
QString fx2String(const UsbDeviceInfo& device, int index);

// What endpoint 0 keeps between standard requests.
struct Fx2EndpointZero {
    uint8_t configuration = 1; // the host configured the device when it came
    uint8_t alternate = 0;
};

// Answers a standard request (type bits 00): the bytes of an IN reply, 0 for
// a taken OUT request, or UsbStall for what the chip refuses.
int fx2StandardRequest(const UsbDeviceInfo& device, Fx2EndpointZero& state, uint8_t requestType,
                       uint8_t request, uint16_t value, uint16_t index, uint8_t* data,
                       uint16_t length);

} // namespace cv::sim
