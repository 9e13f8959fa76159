#pragma once
// A UsbAccess that passes every call on to another; tests derive from it to
// bend one call (record a path, change a reply) and keep the rest real.

#include "link/UsbAccess.h"

namespace cv::test {

class ForwardingAccess : public UsbAccess {
public:
    explicit ForwardingAccess(UsbAccess& inner) : inner_(inner) {}
    int16_t Search_For_Boards(uint32_t v, uint32_t p, int32_t& n, uint8_t* l) override
    {
        return inner_.Search_For_Boards(v, p, n, l);
    }
    int16_t Connect(uint32_t v, uint32_t p, uint8_t b, int32_t& h) override
    {
        return inner_.Connect(v, p, b, h);
    }
    int16_t Download_Firmware(int32_t h, const char* path) override
    {
        return inner_.Download_Firmware(h, path);
    }
    int16_t Vendor_Request(int32_t h, uint8_t r, uint32_t v, uint16_t i, uint8_t d, int32_t l,
                           uint8_t* b) override
    {
        return inner_.Vendor_Request(h, r, v, i, d, l, b);
    }
    std::optional<BoardBlockCounts> blockCounts() const override { return inner_.blockCounts(); }
    QString failureDetail() const override { return inner_.failureDetail(); }

protected:
    UsbAccess& inner_;
};

} // namespace cv::test
