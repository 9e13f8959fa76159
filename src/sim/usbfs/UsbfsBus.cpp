#include "sim/usbfs/UsbfsBus.h"

#include "link/UsbAccess.h"
#include "sim/EmulatedFx2Standard.h"

#include <umockdev.h>

#include <link.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace cv::sim {

std::optional<UsbfsFailure> parseUsbfsFailure(const QString& text)
{
    UsbfsFailure f;
    if (text == QLatin1String("busy")) {
        f.busy = true;
        return f;
    }
    if (text == QLatin1String("noperm")) {
        f.noPermission = true;
        return f;
    }
    const QString kind = text.section(QLatin1Char(':'), 0, 0);
    bool ok = false;
    const qlonglong n = text.section(QLatin1Char(':'), 1).toLongLong(&ok);
    if (!ok || n < 0 || n > 1'000'000'000LL || !text.contains(QLatin1Char(':')))
        return std::nullopt;
    if (kind == QLatin1String("stall") && n >= 1)
        f.fault = {Fx2Fault::Stall, n};
    else if (kind == QLatin1String("timeout") && n >= 1)
        f.fault = {Fx2Fault::Timeout, n};
    else if (kind == QLatin1String("unplug"))
        f.fault = {Fx2Fault::Unplug, n};
    else
        return std::nullopt;
    return f;
}

bool underUsbfsPreload()
{
    bool found = false;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            if (info->dlpi_name && std::strstr(info->dlpi_name, "libumockdev-preload"))
                *static_cast<bool*>(data) = true;
            return 0;
        },
        &found);
    return found;
}

void reexecUnderUsbfsPreload(char** argv)
{
    if (underUsbfsPreload() || qEnvironmentVariableIsSet("CV_USBFS_REEXEC"))
        return;
    qputenv("CV_USBFS_REEXEC", "1");
    QByteArray preload = usbfsPreloadLibrary().toLatin1();
    if (!qgetenv("LD_PRELOAD").isEmpty())
        preload += ':' + qgetenv("LD_PRELOAD");
    qputenv("LD_PRELOAD", preload);
    // A sanitizer build's runtime need not come first then.
    QByteArray asan = qgetenv("ASAN_OPTIONS");
    qputenv("ASAN_OPTIONS", asan + (asan.isEmpty() ? "" : ":") + "verify_asan_link_order=0");
    execv("/proc/self/exe", argv);
}

QString usbfsPreloadLibrary()
{
    return QStringLiteral("libumockdev-preload.so.0");
}

namespace {

struct Node {
    UsbDeviceInfo info;
    QString sysPath;
    QString devNode;
    UMockdevIoctlBase* handler = nullptr;
};

struct Client {
    QString devNode;
    std::unique_ptr<UsbDeviceHandle> handle;
    std::deque<UMockdevIoctlData*> reapable; // completed URBs, each one reference
    std::deque<UMockdevIoctlData*> pending;  // left unanswered
};

QString devNodeOf(const UsbDeviceInfo& d)
{
    return QStringLiteral("/dev/bus/usb/%1/%2")
        .arg(d.bus, 3, 10, QLatin1Char('0'))
        .arg(d.address, 3, 10, QLatin1Char('0'));
}

// A umockdev record with each attribute ending in a line end, as sysfs files
// do: lsusb takes the last character of each off.
QByteArray sysfsRecord(const QString& record)
{
    QStringList lines = record.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.startsWith(QLatin1String("A: ")))
            line += QLatin1String("\\n");
    return lines.join(QLatin1Char('\n')).toUtf8();
}

// The sysfs entries of a device as the kernel makes them: the attributes
// libusb, lsusb and lsusb -t read, and its interface below it.
QString sysfsDescription(const UsbDeviceInfo& d, const QString& sysPath, const QString& devNode)
{
    const QString hex = QString::fromLatin1(fx2Descriptors(d).toHex().toUpper());
    QString names;
    for (const auto& [index, attribute] : {std::pair{1, "manufacturer"}, {2, "product"}})
        if (!fx2String(d, index).isEmpty())
            names +=
                QStringLiteral("A: %1=%2\n").arg(QLatin1String(attribute), fx2String(d, index));
    return QStringLiteral("P: %1\nN: %2=%3\n"
                          "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=%4\n"
                          "E: BUSNUM=%5\nE: DEVNUM=%6\n"
                          "A: busnum=%7\nA: devnum=%8\nA: speed=480\nA: bConfigurationValue=1\n"
                          "A: idVendor=%9\nA: idProduct=%10\nA: dev=189:%11\nA: devpath=%12\n"
                          "A: bDeviceClass=00\nA: bDeviceSubClass=00\nA: bDeviceProtocol=00\n"
                          "A: bMaxPacketSize0=64\nA: bNumConfigurations=1\nA: bNumInterfaces= 1\n"
                          "A: bcdDevice=0100\nA: bmAttributes=80\nA: bMaxPower=100mA\n"
                          "A: maxchild=0\nA: version= 2.00\nA: configuration=\nA: rx_lanes=1\n"
                          "A: tx_lanes=1\n%13H: descriptors=%3\n")
        .arg(sysPath.mid(4), devNode.mid(5), hex, devNode)
        .arg(d.bus, 3, 10, QLatin1Char('0'))
        .arg(d.address, 3, 10, QLatin1Char('0'))
        .arg(d.bus)
        .arg(d.address)
        .arg(d.vendorId, 4, 16, QLatin1Char('0'))
        .arg(d.productId, 4, 16, QLatin1Char('0'))
        .arg((d.bus - 1) * 128 + d.address - 1)
        .arg(d.ports, names);
}

// Interface 0 of configuration 1 of a device, "/sys/devices/usb1/1-2/1-2:1.0".
QString interfacePathOf(const Node& n)
{
    return n.sysPath + QLatin1Char('/') + n.info.portPath() + QStringLiteral(":1.0");
}

// The sysfs entry of interface 0 at `path`.
QString sysfsInterface(const QString& path, int interfaceClass)
{
    const QString cls = QStringLiteral("%1").arg(interfaceClass, 2, 16, QLatin1Char('0'));
    return QStringLiteral("P: %1\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n"
                          "A: bInterfaceNumber=00\nA: bAlternateSetting= 0\nA: bNumEndpoints=00\n"
                          "A: bInterfaceClass=%2\nA: bInterfaceSubClass=%3\n"
                          "A: bInterfaceProtocol=%3\n")
        .arg(path.mid(4), cls, interfaceClass == 0xFF ? cls : QStringLiteral("00"));
}

} // namespace

struct UsbfsBus::Impl {
    SteadyClock clock;
    EmulatedFx2 fx2{clock};
    // Guards the boards and the clients: the ioctls arrive on umockdev's thread.
    std::mutex boards;
    std::map<QString, UsbDeviceInfo> byNode; // device nodes on the bus now
    std::map<UMockdevIoctlClient*, Client> clients;

    // Changes of the mock bus, from the keeper thread or plug().
    std::mutex busChanges;
    UMockdevTestbed* testbed = nullptr;
    std::map<QString, Node> nodes; // by device node
    bool restricted = false;

    std::atomic<bool> stopping{false};
    std::thread keeper;

    void sync();
    void add(const UsbDeviceInfo& d);
    std::vector<uint8_t> rootHubs; // buses whose root hub is in sysfs
    void ensureRootHub(uint8_t bus);
    bool answerDirect(UMockdevIoctlClient* client, gulong request, UMockdevIoctlData* arg,
                      Client& c);
    void remove(Node& n);

    static void connected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    static void vanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    static gboolean ioctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    void answer(UMockdevIoctlClient* client);
};

void UsbfsBus::Impl::sync()
{
    // The boards are looked at under the bus lock: a snapshot taken before
    // it would let a sync that waited undo a board plugged in the meantime.
    std::lock_guard changes(busChanges);
    std::vector<UsbDeviceInfo> now;
    {
        std::lock_guard lock(boards);
        now = fx2.devices();
    }
    for (auto it = nodes.begin(); it != nodes.end();) {
        const bool stays = std::any_of(now.begin(), now.end(), [&](const UsbDeviceInfo& d) {
            return devNodeOf(d) == it->first;
        });
        if (stays) {
            ++it;
            continue;
        }
        remove(it->second);
        it = nodes.erase(it);
    }
    for (const auto& d : now)
        if (!nodes.count(devNodeOf(d)))
            add(d);
}

void UsbfsBus::Impl::add(const UsbDeviceInfo& d)
{
    Node n;
    n.info = d;
    n.sysPath = QStringLiteral("/sys/devices/usb%1/%2").arg(d.bus).arg(d.portPath());
    n.devNode = devNodeOf(d);
    ensureRootHub(d.bus);
    const QString description = sysfsDescription(d, n.sysPath, n.devNode);
    {
        // The ioctls of the new node find it in place.
        std::lock_guard lock(boards);
        byNode[n.devNode] = d;
    }
    n.handler = umockdev_ioctl_base_new();
    g_signal_connect(n.handler, "client-connected", G_CALLBACK(&Impl::connected), this);
    g_signal_connect(n.handler, "client-vanished", G_CALLBACK(&Impl::vanished), this);
    g_signal_connect(n.handler, "handle-ioctl", G_CALLBACK(&Impl::ioctl), this);
    const QByteArray node = n.devNode.toUtf8();
    // The ioctl socket listens before the device appears: a client that
    // finds the new device (libusb polling the bus after the firmware load)
    // opens it at once, and the preload ends that client when the socket
    // is not there to connect to yet.
    if (!umockdev_testbed_attach_ioctl(testbed, node.constData(), n.handler, nullptr) ||
        !umockdev_testbed_add_from_string(testbed, sysfsRecord(description).constData(), nullptr)) {
        qWarning("usbfs bus: cannot add %s", node.constData());
    }
    if (restricted) {
        // The node refuses; the preload's sockets stay open to the child.
        gchar* root = umockdev_testbed_get_root_dir(testbed);
        const QString r = QString::fromUtf8(root);
        g_free(root);
        chmod((r + n.devNode).toLocal8Bit().constData(), 0);
        chmod((r + QStringLiteral("/ioctl") + n.devNode).toLocal8Bit().constData(), 0666);
        chmod((r + QStringLiteral("/ioctl/_default")).toLocal8Bit().constData(), 0666);
    }
    const QByteArray interface = sysfsRecord(sysfsInterface(interfacePathOf(n), 0xFF));
    if (!umockdev_testbed_add_from_string(testbed, interface.constData(), nullptr))
        qWarning("usbfs bus: cannot add the interface of %s", node.constData());
    nodes.emplace(n.devNode, n);
}

void UsbfsBus::Impl::remove(Node& n)
{
    {
        std::lock_guard lock(boards);
        byNode.erase(n.devNode);
    }
    // The uevent first: a listener must still find the device it names.
    const QByteArray path = n.sysPath.toUtf8();
    umockdev_testbed_remove_device(testbed, interfacePathOf(n).toUtf8().constData());
    umockdev_testbed_uevent(testbed, path.constData(), "remove");
    umockdev_testbed_remove_device(testbed, path.constData());
    umockdev_testbed_detach_ioctl(testbed, n.devNode.toUtf8().constData(), nullptr);
    g_object_unref(n.handler);
    n.handler = nullptr;
}

void UsbfsBus::Impl::connected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
{
    auto* d = static_cast<Impl*>(self);
    std::lock_guard lock(d->boards);
    Client& c = d->clients[client];
    c.devNode = QString::fromUtf8(umockdev_ioctl_client_get_devnode(client));
    const auto it = d->byNode.find(c.devNode);
    if (it != d->byNode.end())
        c.handle = d->fx2.open(it->second, nullptr);
}

void UsbfsBus::Impl::vanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
{
    auto* d = static_cast<Impl*>(self);
    std::lock_guard lock(d->boards);
    const auto it = d->clients.find(client);
    if (it == d->clients.end())
        return;
    for (auto* u : it->second.reapable)
        g_object_unref(u);
    for (auto* u : it->second.pending)
        g_object_unref(u);
    d->clients.erase(it);
}

gboolean UsbfsBus::Impl::ioctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
{
    static_cast<Impl*>(self)->answer(client);
    return TRUE;
}

void UsbfsBus::Impl::answer(UMockdevIoctlClient* client)
{
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::lock_guard lock(boards);
    Client& c = clients[client];
    const bool present = byNode.count(c.devNode) > 0;
    auto fail = [&](int error) { umockdev_ioctl_client_complete(client, -1, error); };
    auto ok = [&] { umockdev_ioctl_client_complete(client, 0, 0); };

    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
        if (!caps)
            return fail(EFAULT);
        *reinterpret_cast<uint32_t*>(caps->data) = USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
        ok();
        g_object_unref(caps);
        return;
    }
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_CLAIMINTERFACE: {
        const int r = c.handle ? c.handle->claimInterface(0) : int{UsbNoDevice};
        if (r == 0)
            return ok();
        return fail(r == UsbBusy ? EBUSY : r == UsbNoDevice ? ENODEV : EIO);
    }
    case USBDEVFS_RELEASEINTERFACE: return ok();
    case USBDEVFS_SUBMITURB: {
        if (!c.handle || !present)
            return fail(ENODEV);
        UMockdevIoctlData* urb = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        if (!urb)
            return fail(EFAULT);
        auto* u = reinterpret_cast<usbdevfs_urb*>(urb->data);
        UMockdevIoctlData* buffer =
            u->type == USBDEVFS_URB_TYPE_CONTROL && u->buffer_length >= 8
                ? umockdev_ioctl_data_resolve(urb, offsetof(usbdevfs_urb, buffer),
                                              static_cast<gsize>(u->buffer_length), nullptr)
                : nullptr;
        if (!buffer) {
            g_object_unref(urb);
            return fail(EINVAL);
        }
        uint8_t* setup = buffer->data;
        const auto word = [&](int at) {
            return static_cast<uint16_t>(setup[at] | setup[at + 1] << 8);
        };
        const uint16_t length =
            std::min<uint16_t>(word(6), static_cast<uint16_t>(u->buffer_length - 8));
        const int r =
            c.handle->controlTransfer(setup[0], setup[1], word(2), word(4), setup + 8, length, 0);
        g_object_unref(buffer);
        if (r == UsbNoDevice) {
            g_object_unref(urb);
            return fail(ENODEV);
        }
        if (r == EmulatedFx2::kPending) {
            c.pending.push_back(urb);
        } else {
            u->status = r >= 0 ? 0 : r == UsbStall ? -EPIPE : -EPROTO;
            u->actual_length = std::max(r, 0);
            c.reapable.push_back(urb);
        }
        return ok();
    }
    case USBDEVFS_DISCARDURB: {
        const gulong which = *reinterpret_cast<gulong*>(arg->data);
        for (auto it = c.pending.begin(); it != c.pending.end(); ++it) {
            if ((*it)->client_addr != which)
                continue;
            auto* u = reinterpret_cast<usbdevfs_urb*>((*it)->data);
            u->status = -ENOENT;
            u->actual_length = 0;
            c.reapable.push_back(*it);
            c.pending.erase(it);
            return ok();
        }
        return fail(EINVAL);
    }
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: {
        if (c.reapable.empty())
            return fail(present ? EAGAIN : ENODEV);
        UMockdevIoctlData* urb = c.reapable.front();
        c.reapable.pop_front();
        UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
        if (!slot || !umockdev_ioctl_data_set_ptr(slot, 0, urb)) {
            g_object_unref(urb);
            return fail(EFAULT);
        }
        ok();
        g_object_unref(slot);
        g_object_unref(urb);
        return;
    }
    default:
        if (!answerDirect(client, request, arg, c))
            fail(ENOTTY);
        return;
    }
}

UsbfsBus::UsbfsBus() : d_(std::make_unique<Impl>())
{
    d_->testbed = umockdev_testbed_new();
    d_->keeper = std::thread([d = d_.get()] {
        while (!d->stopping) {
            d->sync();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
}

UsbfsBus::~UsbfsBus()
{
    d_->stopping = true;
    d_->keeper.join();
    {
        std::lock_guard changes(d_->busChanges);
        for (auto& [node, n] : d_->nodes)
            d_->remove(n);
        d_->nodes.clear();
    }
    g_object_unref(d_->testbed);
}

SimBoard& UsbfsBus::plug(const Fx2DeviceConfig& config)
{
    SimBoard* board = nullptr;
    {
        std::lock_guard lock(d_->boards);
        board = &d_->fx2.plug(config);
    }
    d_->sync();
    return *board;
}

void UsbfsBus::restrictDeviceNodes()
{
    std::lock_guard changes(d_->busChanges);
    d_->restricted = true;
    // Sticky and open to all, as /tmp: an unprivileged child makes its sockets here.
    chmod(rootDir().toLocal8Bit().constData(), 01777);
}

QString UsbfsBus::rootDir() const
{
    gchar* root = umockdev_testbed_get_root_dir(d_->testbed);
    const QString r = QString::fromUtf8(root);
    g_free(root);
    return r;
}

QStringList UsbfsBus::childEnvironment() const
{
    QString preload = usbfsPreloadLibrary();
    const QString before = qEnvironmentVariable("LD_PRELOAD");
    if (!before.isEmpty() && !before.contains(preload))
        preload += QLatin1Char(':') + before;
    else if (!before.isEmpty())
        preload = before;
    return {QStringLiteral("UMOCKDEV_DIR=") + rootDir(), QStringLiteral("LD_PRELOAD=") + preload};
}

std::vector<EmulatedFx2::Transfer> UsbfsBus::transfers() const
{
    std::lock_guard lock(d_->boards);
    return d_->fx2.transfers();
}

// What the tools that go to usbfs without libusb-1.0 (fxload, libusb-0.1
// programs such as cycfx2prog) ask besides: synchronous control transfers,
// the connection, configuration and driver queries. Standard requests go to
// the board as they would on the wire.

void UsbfsBus::Impl::ensureRootHub(uint8_t bus)
{
    if (std::find(rootHubs.begin(), rootHubs.end(), bus) != rootHubs.end())
        return;
    rootHubs.push_back(bus);
    // A USB 2.0 root hub of eight ports, no device node: nothing opens it.
    const QString path = QStringLiteral("/sys/devices/usb%1").arg(bus);
    const QString hub =
        QStringLiteral(
            "P: %1\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: BUSNUM=%2\nE: DEVNUM=001\n"
            "A: busnum=%3\nA: devnum=1\nA: speed=480\nA: maxchild=8\n"
            "A: bConfigurationValue=1\nA: bDeviceClass=09\nA: bDeviceSubClass=00\n"
            "A: bDeviceProtocol=01\nA: bMaxPacketSize0=64\nA: bNumConfigurations=1\n"
            "A: bNumInterfaces= 1\nA: bcdDevice=0601\nA: bmAttributes=e0\n"
            "A: bMaxPower=0mA\nA: idVendor=1d6b\nA: idProduct=0002\nA: devpath=0\n"
            "A: version= 2.00\nA: product=usbfs-board root hub\nA: configuration=\n"
                       "A: rx_lanes=1\nA: tx_lanes=1\n"
            "H: descriptors=12010002090001406B1D020001060302010109021900010100E000"
            "090400000109000000070581030400FF\n")
            .arg(path.mid(4))
            .arg(bus, 3, 10, QLatin1Char('0'))
            .arg(bus);
    const QByteArray interface =
        sysfsRecord(sysfsInterface(path + QStringLiteral("/%1-0:1.0").arg(bus), 0x09));
    if (!umockdev_testbed_add_from_string(testbed, sysfsRecord(hub).constData(), nullptr) ||
        !umockdev_testbed_add_from_string(testbed, interface.constData(), nullptr))
        qWarning("usbfs bus: cannot add the root hub of bus %d", bus);
}

bool UsbfsBus::Impl::answerDirect(UMockdevIoctlClient* client, gulong request,
                                  UMockdevIoctlData* arg, Client& c)
{
    const bool present = c.handle && byNode.count(c.devNode) > 0;
    auto complete = [&](int result) {
        if (result >= 0)
            umockdev_ioctl_client_complete(client, result, 0);
        else
            umockdev_ioctl_client_complete(client, -1,
                                           result == UsbStall      ? EPIPE
                                           : result == UsbNoDevice ? ENODEV
                                           : result == UsbTimeout || result == EmulatedFx2::kPending
                                               ? ETIMEDOUT
                                               : EPROTO);
        return true;
    };
    // The struct the argument points to; null when it cannot be read.
    auto resolve = [&](gsize size) { return umockdev_ioctl_data_resolve(arg, 0, size, nullptr); };
    switch (request) {
    case USBDEVFS_CONTROL: {
        if (!present)
            return complete(UsbNoDevice);
        UMockdevIoctlData* ctl = resolve(sizeof(usbdevfs_ctrltransfer));
        if (!ctl)
            return complete(UsbIo);
        const auto* t = reinterpret_cast<const usbdevfs_ctrltransfer*>(ctl->data);
        UMockdevIoctlData* buffer =
            t->wLength ? umockdev_ioctl_data_resolve(ctl, offsetof(usbdevfs_ctrltransfer, data),
                                                     t->wLength, nullptr)
                       : nullptr;
        uint8_t none = 0;
        const int r =
            t->wLength && !buffer
                ? int{UsbIo}
                : c.handle->controlTransfer(t->bRequestType, t->bRequest, t->wValue, t->wIndex,
                                            buffer ? buffer->data : &none, t->wLength, 0);
        complete(r);
        if (buffer)
            g_object_unref(buffer);
        g_object_unref(ctl);
        return true;
    }
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_SETINTERFACE: {
        if (!present)
            return complete(UsbNoDevice);
        const bool config = request == USBDEVFS_SETCONFIGURATION;
        UMockdevIoctlData* a = resolve(config ? sizeof(unsigned) : sizeof(usbdevfs_setinterface));
        if (!a)
            return complete(UsbIo);
        const auto* words = reinterpret_cast<const unsigned*>(a->data);
        uint8_t none = 0;
        const int r =
            config ? c.handle->controlTransfer(0x00, 0x09, uint16_t(words[0]), 0, &none, 0, 0)
                   : c.handle->controlTransfer(0x01, 0x0B, uint16_t(words[1]), uint16_t(words[0]),
                                               &none, 0, 0);
        g_object_unref(a);
        return complete(r);
    }
    case USBDEVFS_CONNECTINFO: {
        if (!present)
            return complete(UsbNoDevice);
        UMockdevIoctlData* a = resolve(sizeof(usbdevfs_connectinfo));
        if (!a)
            return complete(UsbIo);
        auto* info = reinterpret_cast<usbdevfs_connectinfo*>(a->data);
        info->devnum = byNode[c.devNode].address;
        info->slow = 0;
        complete(0);
        g_object_unref(a);
        return true;
    }
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_IOCTL:
        // No kernel driver is bound to the interface.
        umockdev_ioctl_client_complete(client, -1, ENODATA);
        return true;
    case USBDEVFS_RESET:
    case USBDEVFS_CLEAR_HALT: return complete(present ? 0 : int{UsbNoDevice});
    default: return false;
    }
}

} // namespace cv::sim
