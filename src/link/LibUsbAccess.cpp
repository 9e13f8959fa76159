#include "link/LibUsbAccess.h"

#include "link/IntelHex.h"
#include "link/TracingUsbAccess.h"
#include "link/VendorRequest.h"
#include "platform/Services.h"

#include <algorithm>

namespace cv {

namespace {
constexpr uint8_t kVendorOut = 0x40; // vendor request, to the device
constexpr uint8_t kVendorIn = 0xC0;  // vendor request, from the device

QString ids(const UsbDeviceInfo& d)
{
    return QStringLiteral("%1:%2")
        .arg(d.vendorId, 4, 16, QLatin1Char('0'))
        .arg(d.productId, 4, 16, QLatin1Char('0'))
        .toUpper();
}

bool isBlankFx2(const UsbDeviceInfo& d)
{
    return d.vendorId == BlankFx2VendorId && d.productId == BlankFx2ProductId;
}

bool isOurs(const UsbDeviceInfo& d, uint32_t vendorId, uint32_t productId)
{
    const uint32_t pid = d.productId;
    return d.vendorId == vendorId && pid + 2 >= productId && pid <= productId + 1;
}

QString hex4(uint32_t v)
{
    return QStringLiteral("0x%1")
        .arg(v, 4, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QLatin1String("0X"), QLatin1String("0x"));
}
} // namespace

QString udevRuleAdvice()
{
    return QStringLiteral(
        "Install the udev rule that gives the logged-in user the board: the package installs "
        "it as /usr/lib/udev/rules.d/60-cv5320.rules; from the source folder run "
        "\"sudo cp packaging/60-cv5320.rules /etc/udev/rules.d/ && sudo udevadm control "
        "--reload-rules\", then unplug the board and plug it in again.");
}

LibUsbAccess::LibUsbAccess() : LibUsbAccess(makeLibUsbBackend()) {}

LibUsbAccess::LibUsbAccess(std::unique_ptr<UsbBackend> backend, QString portPath)
    : backend_(std::move(backend)), port_(std::move(portPath))
{
}

LibUsbAccess::~LibUsbAccess() = default;

void LibUsbAccess::setInternalTransferSink(std::function<void(const VendorRecord&)> sink)
{
    sink_ = std::move(sink);
}

QString LibUsbAccess::boardLocation() const
{
    if (!handle_)
        return {};
    return QStringLiteral("bus %1, port %2").arg(device_.bus).arg(device_.ports);
}

QString fx2::imageProblem(const QString& file, const HexResult& hex)
{
    if (!hex.image)
        return QStringLiteral("The firmware file \"%1\" cannot be used: %2.").arg(file, hex.error);
    const auto runs = hex.image->runs();
    if (runs.empty())
        return QStringLiteral("The firmware file \"%1\" holds no data.").arg(file);
    for (const auto& run : runs)
        for (uint32_t a = run.start; a < run.start + run.length; ++a)
            if (!inOnChipRam(a))
                return QStringLiteral("The firmware file \"%1\" has a HEX record at %2, outside "
                                      "the FX2's on-chip RAM (0x0000-0x3FFF, 0xE000-0xE1FF).")
                    .arg(file, hex4(a));
    return {};
}

int16_t LibUsbAccess::refuse(int16_t status, const QString& detail)
{
    detail_ = detail;
    return status;
}

std::vector<UsbDeviceInfo> LibUsbAccess::candidates(uint32_t vendorId, uint32_t productId)
{
    const std::vector<UsbDeviceInfo> all = backend_->devices();
    std::vector<UsbDeviceInfo> found;
    if (!port_.isEmpty()) {
        // A named port may hold an unprogrammed FX2: the user says it is the board.
        for (const auto& d : all)
            if (d.portPath() == port_) {
                if (isOurs(d, vendorId, productId) || isBlankFx2(d))
                    found.push_back(d);
                else
                    detail_ = QStringLiteral("The USB device at %1 (%2) is not a CV5320 board.")
                                  .arg(port_, ids(d));
                return found;
            }
        detail_ = QStringLiteral("No USB device is connected at %1.").arg(port_);
        return found;
    }
    QStringList blanks;
    for (const auto& d : all) {
        if (isOurs(d, vendorId, productId))
            found.push_back(d);
        else if (isBlankFx2(d))
            blanks << d.portPath();
    }
    if (found.empty()) {
        detail_ = QStringLiteral("No CV5320 board is connected.");
        if (!blanks.isEmpty())
            detail_ += QStringLiteral(" An unprogrammed FX2 (04B4:8613) is at %1; if it is the "
                                      "board, name it with --board usb:%2.")
                           .arg(blanks.join(QStringLiteral(", ")), blanks.first());
    }
    return found;
}

int16_t LibUsbAccess::Search_For_Boards(uint32_t vendorId, uint32_t productId, int32_t& boardCount,
                                        uint8_t* boardList128)
{
    const auto found = candidates(vendorId, productId);
    boardCount = static_cast<int32_t>(found.size());
    if (found.empty())
        return 1;
    for (int i = 0; i < 128; ++i)
        boardList128[i] = i < boardCount ? static_cast<uint8_t>(i + 1) : 0;
    return 0;
}

bool LibUsbAccess::openBoard(const UsbDeviceInfo& device)
{
    int error = 0;
    auto h = backend_->open(device, &error);
    if (h) {
        error = h->claimInterface(0);
        if (error == 0) {
            handle_ = std::move(h);
            device_ = device;
            return true;
        }
    }
    if (error == UsbAccessDenied)
        detail_ = QStringLiteral("No permission to open the board at %1. ").arg(device.portPath()) +
                  udevRuleAdvice();
    else if (error == UsbBusy)
        detail_ = QStringLiteral("The board at %1 is busy: another program is using it.")
                      .arg(device.portPath());
    else
        detail_ = QStringLiteral("The board at %1 cannot be opened: %2.")
                      .arg(device.portPath(), usbErrorText(error));
    return false;
}

int16_t LibUsbAccess::Connect(uint32_t vendorId, uint32_t productId, uint8_t boardNumber,
                              int32_t& handle)
{
    handle_.reset();
    const auto found = candidates(vendorId, productId);
    if (boardNumber == 0 || boardNumber > found.size())
        return found.empty() ? 1
                             : refuse(1, QStringLiteral("No board number %1.").arg(boardNumber));
    if (!openBoard(found[boardNumber - 1u]))
        return 1;
    handle = kHandle;
    return 0;
}

int LibUsbAccess::control(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                          uint8_t* data, uint16_t length, bool report)
{
    const bool in = (requestType & 0x80) != 0;
    VendorRecord rec;
    if (report && sink_) {
        rec.request = request;
        rec.value = value;
        rec.index = index;
        rec.direction = in ? 1 : 0;
        rec.length = length;
        if (!in)
            std::copy_n(data, std::min<int>(length, 64), rec.bytes.begin());
    }
    const int r = handle_ ? handle_->controlTransfer(requestType, request, value, index, data,
                                                     length, fx2::kRequestTimeoutMs)
                          : UsbNoDevice;
    if (report && sink_) {
        rec.status = static_cast<int16_t>(r < 0 ? r : 0);
        if (in && r > 0)
            std::copy_n(data, std::min(r, 64), rec.bytes.begin());
        sink_(rec);
    }
    return r;
}

bool LibUsbAccess::waitForReturn(const UsbDeviceInfo& before)
{
    const int64_t start = services().nowMs();
    services().sleepMs(fx2::kReturnFirstLookMs);
    QString lastTrouble;
    for (;;) {
        for (const auto& d : backend_->devices()) {
            // The same port under a new bus address: the board has been away.
            if (!d.samePort(before) || d.address == before.address)
                continue;
            if (openBoard(d))
                return true;
            lastTrouble = detail_;
        }
        if (services().nowMs() - start + fx2::kReturnStepMs > fx2::kReturnLimitMs)
            break;
        services().sleepMs(fx2::kReturnStepMs);
    }
    detail_ = lastTrouble.isEmpty()
                  ? QStringLiteral("No answer after the download: the board did not come back "
                                   "at %1 within %2 s.")
                        .arg(before.portPath())
                        .arg(fx2::kReturnLimitMs / 1000)
                  : QStringLiteral("No answer after the download: ") + lastTrouble;
    return false;
}

int16_t LibUsbAccess::Download_Firmware(int32_t handle, const char* path)
{
    if (handle != kHandle || !handle_ || !path)
        return refuse(-1, QStringLiteral("No board is connected."));
    const QString file = QString::fromLocal8Bit(path);
    const HexResult hex = readIntelHexFile(file);
    // Refused before anything is written: a half-loaded board is worse than none.
    if (const QString why = fx2::imageProblem(file, hex); !why.isEmpty())
        return refuse(-2, why);
    const auto runs = hex.image->runs();

    uint8_t reset = 1;
    int r = control(kVendorOut, fx2::kFirmwareLoad, fx2::kCpuCs, 0, &reset, 1, true);
    if (r != 1)
        return refuse(-3, QStringLiteral("The board did not take the firmware: %1.")
                              .arg(usbErrorText(r < 0 ? r : UsbIo)));
    for (const auto& run : runs) {
        for (uint32_t done = 0; done < run.length;) {
            const uint32_t n = std::min<uint32_t>(run.length - done, fx2::kLoadChunk);
            const uint32_t at = run.start + done;
            std::vector<uint8_t> chunk(hex.image->data.begin() + at,
                                       hex.image->data.begin() + at + n);
            r = control(kVendorOut, fx2::kFirmwareLoad, static_cast<uint16_t>(at), 0, chunk.data(),
                        static_cast<uint16_t>(n), true);
            if (r != static_cast<int>(n))
                return refuse(-4, QStringLiteral("The board did not take the firmware at %1: %2.")
                                      .arg(hex4(at), usbErrorText(r < 0 ? r : UsbIo)));
            done += n;
        }
    }
    // Letting the CPU go may take the board off the bus before it answers:
    // an error here is the expected outcome, not a failure.
    uint8_t run = 0;
    control(kVendorOut, fx2::kFirmwareLoad, fx2::kCpuCs, 0, &run, 1, true);

    const UsbDeviceInfo before = device_;
    handle_.reset();
    if (!waitForReturn(before))
        return -5;

    // The firmware answers: one board register read (the firmware revision).
    uint8_t reply[kTransferLength] = {};
    r = control(kVendorIn, static_cast<uint8_t>(VendorRequest::Register), 0x0401, 0, reply,
                kTransferLength, true);
    if (r < 0) {
        handle_.reset();
        return refuse(-6, QStringLiteral("No answer after the download: the board came back at "
                                         "%1 but its firmware does not answer (%2).")
                              .arg(before.portPath(), usbErrorText(r)));
    }
    detail_.clear();
    return 0;
}

int16_t LibUsbAccess::Vendor_Request(int32_t handle, uint8_t request, uint32_t value,
                                     uint16_t index, uint8_t direction, int32_t length,
                                     uint8_t* buffer)
{
    if (handle != kHandle || !handle_ || length < 0 || length > 0xFFFF || !buffer)
        return refuse(1, QStringLiteral("No board is connected."));
    const bool in = direction == 1;
    const int r =
        control(in ? kVendorIn : kVendorOut, request, static_cast<uint16_t>(value & 0xFFFF), index,
                buffer, static_cast<uint16_t>(length), false);
    if (r < 0)
        return refuse(1, QStringLiteral("Request 0x%1 failed: %2.")
                             .arg(QString::number(request, 16).toUpper(), usbErrorText(r)));
    if (!in && r != length)
        return refuse(1, QStringLiteral("The board took %1 of %2 bytes.").arg(r).arg(length));
    return 0;
}

} // namespace cv
