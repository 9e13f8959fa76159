#pragma once
// The parts of the programs' --help after their usage lines: options, exit
// status and examples. The manual pages are made from --help at build time,
// so what is written here is what they say.

namespace cv {

// The options both programs take, worded once so their --help and manual
// pages cannot drift apart.
#define CV_BOARD_OPTIONS_HELP                                                                      \
    "  --board sim|sim:N     the simulated board (N: sensor board 1, 58 or 70)\n"                  \
    "  --board usb           a real board on USB (the default when one is connected)\n"            \
    "  --board usb:BUS-PORT  the device at that USB port, also an unprogrammed FX2\n"              \
    "  --board fx2-emu       the real board's USB path over an emulated FX2\n"                     \
    "  --usb-log FILE        one line per USB request\n"                                           \
    "  --scenario FILE|none  the simulated finger\n"                                               \
    "  --sim-fault request=N|after=MS\n"                                                           \
    "                        the simulated board fails its N-th request, or every\n"               \
    "                        request after MS milliseconds (rehearses a failing board)\n"

inline const char* const kCtlHelpMore =
    "\n"
    "Options:\n" CV_BOARD_OPTIONS_HELP
    "  --board-reg           before the first command: every read and write goes to\n"
    "                        the firmware's registers instead of the chip's\n"
    "  -h, --help            this text\n"
    "  --version             the program's name and version\n"
    "\n"
    "Notes:\n"
    "The whole command line is checked before the board is touched. Messages go to\n"
    "standard error; a --csv log gets its stamp (program, board, firmware, date,\n"
    "registers, columns and units) in FILE.json beside it.\n"
    "\n"
    "Exit status:\n"
    "  0   every command ran\n"
    "  1   the board, a file or standard output failed, or snr --require was not\n"
    "      met; files being written are flushed and closed first\n"
    "  2   a mistake on the command line; nothing was done\n"
    "  3   every command ran, but the --usb-log file could not be written whole\n"
    "\n"
    "Examples:\n"
    "  cv5320ctl --board sim info\n"
    "  cv5320ctl --board sim write 0x80 0x1234 wait 100 read 0x80 8\n"
    "  cv5320ctl --board sim stream --seconds 5 --csv adc.csv\n"
    "  cv5320ctl --board usb:1-4 calibrate all save registers.txt\n";

inline const char* const kEvalHelpMore =
    "\n"
    "Exit status:\n"
    "  0   the main window was closed, or the pictures were written\n"
    "  1   start-up or the board failed, or a file could not be written\n"
    "  2   a mistake on the command line\n"
    "  3   the window was closed, but the --usb-log file could not be written whole\n"
    "\n"
    "Examples:\n"
    "  cv5320-eval\n"
    "  cv5320-eval --board sim:70 --scenario none\n"
    "  cv5320-eval --board usb:1-4 --usb-log usb.log\n"
    "  cv5320-eval --render pictures\n";

} // namespace cv
