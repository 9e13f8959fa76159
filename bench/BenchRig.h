#pragma once
// A simulated board brought up as start-up would, on virtual time, for the
// benchmarks: pauses cost nothing, so what is measured is the program's own work.

#include "link/UsbUtils.h"
#include "platform/CliServices.h"
#include "sim/SimBoard.h"

#include <QTemporaryFile>

namespace cv::bench {

// Searches, connects and starts the simulated board with a one-record
// firmware file, and binds the register transport to it.
inline void bringUpBoard(sim::SimBoard& board, QTemporaryFile& hex)
{
    hex.open();
    hex.write(":030000000200807B\r\n:00000001FF\r\n");
    hex.flush();
    int32_t count = 0, handle = 0;
    uint8_t list[128] = {};
    board.Search_For_Boards(BoardVendorId, BoardProductId, count, list);
    board.Connect(BoardVendorId, BoardProductId, list[0], handle);
    board.Download_Firmware(handle, hex.fileName().toLocal8Bit().constData());
    attachLink(&board, handle);
}

struct BenchRig {
    CliServices services{true};
    sim::SimBoard board;
    QTemporaryFile hex;

    explicit BenchRig(sim::SimConfig config = {}) : board(services.clock(), std::move(config))
    {
        setServices(&services);
        bringUpBoard(board, hex);
    }
};

} // namespace cv::bench
