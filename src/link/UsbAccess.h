#pragma once
// The USB access library: four operations, each returning a signed 16-bit
// status. Two implementations: the simulated board and libusb for a real FX2.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace cv {

struct VendorRecord;

// The board's USB identifiers. The EEPROM boot record names one of the
// products BoardProductId - 2 .. BoardProductId (by the chip mounted); the
// protocol firmware, once it runs, calls itself FirmwareProductId. None of
// them may be the unprogrammed FX2's 04B4:8613, which any FX2 on the bus
// answers with (a logic analyser, another kit).
constexpr uint32_t BoardVendorId = 0x1209;
constexpr uint32_t BoardProductId = 0x5322;
constexpr uint32_t FirmwareProductId = BoardProductId + 1;
constexpr uint32_t BlankFx2VendorId = 0x04B4;
constexpr uint32_t BlankFx2ProductId = 0x8613;
static_assert(BoardVendorId != BlankFx2VendorId || BlankFx2ProductId < BoardProductId - 2 ||
              BlankFx2ProductId > FirmwareProductId);

// One of the board's identifiers: a record row's or the running firmware's.
constexpr bool isBoardIdentifier(uint32_t vendorId, uint32_t productId)
{
    return vendorId == BoardVendorId && productId + 2 >= BoardProductId &&
           productId <= FirmwareProductId;
}

// Result blocks a board made, the host fetched and the board dropped for
// want of room, counted since the board started.
struct BoardBlockCounts {
    int64_t produced = 0;
    int64_t fetched = 0;
    int64_t overflow = 0;
};

class UsbAccess {
public:
    virtual ~UsbAccess() = default;

    // Status > 0 is a failure; on success boardList[0] is the board to connect to.
    virtual int16_t Search_For_Boards(uint32_t vendorId, uint32_t productId, int32_t& boardCount,
                                      uint8_t* boardList128) = 0;
    // Status > 0 is a failure; on success `handle` is valid for all later calls.
    virtual int16_t Connect(uint32_t vendorId, uint32_t productId, uint8_t boardNumber,
                            int32_t& handle) = 0;
    // Status < 0 is a failure. `path` is zero-terminated, single-byte characters.
    virtual int16_t Download_Firmware(int32_t handle, const char* path) = 0;
    // Status 0 is success. direction 1: device to host (buffer filled with
    // `length` bytes); 0: host to device (`length` bytes sent).
    virtual int16_t Vendor_Request(int32_t handle, uint8_t request, uint32_t value, uint16_t index,
                                   uint8_t direction, int32_t length, uint8_t* buffer) = 0;

    // The board's own count of streamed blocks, for the stream statistics.
    // A board whose firmware keeps no such count answers nothing; callers
    // then take what they fetched as all there was.
    virtual std::optional<BoardBlockCounts> blockCounts() const { return std::nullopt; }

    // What went wrong in the last failed call, in the user's words (empty:
    // nothing to add to the fixed message).
    virtual QString failureDetail() const { return {}; }
    // Where the board taken sits on the bus ("bus 1, port 4"), empty when
    // it has no place there.
    virtual QString boardLocation() const { return {}; }
    // Receives the control transfers the library makes on its own (the
    // firmware load and its check), so the USB trace can show them.
    virtual void setInternalTransferSink(std::function<void(const VendorRecord&)> sink)
    {
        (void)sink;
    }
};

} // namespace cv
