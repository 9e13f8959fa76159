#include "shell/BoardSession.h"

#include "link/LibUsbAccess.h"
#include "platform/Services.h"
#include "sim/EmulatedFx2.h"
#include "sim/SimBoard.h"

#include <QRegularExpression>

namespace cv {

std::optional<BoardChoice> parseBoardOption(const QString& text)
{
    BoardChoice c;
    if (text.isEmpty())
        return c;
    if (text == QLatin1String("usb")) {
        c.kind = BoardChoice::Usb;
        return c;
    }
    if (text.startsWith(QLatin1String("usb:"))) {
        // BUS-PORT[.PORT...], as Linux names a USB port (1-4, 3-1.2).
        static const QRegularExpression port(
            QStringLiteral("^[0-9]{1,3}-[0-9]{1,3}(\\.[0-9]{1,3}){0,6}$"));
        c.kind = BoardChoice::Usb;
        c.usbPort = text.mid(4);
        if (!port.match(c.usbPort).hasMatch())
            return std::nullopt;
        return c;
    }
    if (text == QLatin1String("fx2-emu")) {
        c.kind = BoardChoice::Fx2Emu;
        return c;
    }
    if (text == QLatin1String("sim")) {
        c.kind = BoardChoice::Sim;
        return c;
    }
    if (text.startsWith(QLatin1String("sim:"))) {
        bool ok = false;
        const int id = text.mid(4).toInt(&ok);
        // Only the sensor boards the simulation knows; another number would
        // start and then fail on the firmware's version.
        if (!ok || (id != 1 && id != 58 && id != 70))
            return std::nullopt;
        c.kind = BoardChoice::Sim;
        c.simBoardId = id;
        return c;
    }
    return std::nullopt;
}

std::optional<SimFault> parseSimFault(const QString& text, QString* error)
{
    const int eq = static_cast<int>(text.indexOf(QLatin1Char('=')));
    const QString kind = text.left(eq);
    const QString digits = text.mid(eq + 1);
    const bool request = kind == QLatin1String("request");
    static const QRegularExpression allDigits(QStringLiteral("^[0-9]+$"));
    if (eq < 0 || !(request || kind == QLatin1String("after")) ||
        !allDigits.match(digits).hasMatch()) {
        if (error)
            *error = QStringLiteral("Unknown fault \"%1\": use request=N (the N-th USB "
                                    "request fails) or after=MS (every request from MS ms on)")
                         .arg(text);
        return std::nullopt;
    }
    // Bounded so that the board's clock arithmetic cannot overflow.
    const qlonglong lo = request ? 1 : 0, hi = 1'000'000'000'000LL;
    bool ok = false;
    const qlonglong n = digits.toLongLong(&ok);
    if (!ok || n < lo || n > hi) {
        if (error)
            *error = QStringLiteral("--sim-fault %1 is out of range (%2 to %3)")
                         .arg(text)
                         .arg(lo)
                         .arg(hi);
        return std::nullopt;
    }
    return SimFault{request ? SimFault::Request : SimFault::After, n};
}

QString boardOptionsError(const BoardOptions& options)
{
    if (!parseBoardOption(options.board))
        return QStringLiteral("Unknown board \"%1\": use sim, sim:1, sim:58, sim:70, usb, "
                              "usb:BUS-PORT or fx2-emu")
            .arg(options.board);
    QString error;
    if (!options.simFault.isEmpty())
        parseSimFault(options.simFault, &error);
    return error;
}

std::unique_ptr<BoardSession> BoardSession::create(const BoardOptions& options, const Clock& clock,
                                                   QString* error)
{
    const QString optionsError = boardOptionsError(options);
    if (!optionsError.isEmpty()) {
        if (error)
            *error = optionsError;
        return nullptr;
    }
    const auto choice = parseBoardOption(options.board);
    std::optional<SimFault> fault;
    if (!options.simFault.isEmpty())
        fault = parseSimFault(options.simFault);
    std::unique_ptr<BoardSession> s(new BoardSession);

    auto makeSim = [&](int id) {
        sim::SimConfig cfg;
        cfg.boardId = id;
        cfg.scenario = options.scenario;
        auto board = std::make_unique<sim::SimBoard>(clock, cfg);
        if (!board->scenarioError().isEmpty()) {
            if (error)
                *error = board->scenarioError();
            return false;
        }
        if (fault && fault->kind == SimFault::Request)
            board->failRequestNumber(fault->at);
        else if (fault)
            board->failFromUs(clock.nowUs() + fault->at * 1000);
        s->sim_ = board.get();
        s->followPrompts_ = options.scenario.isEmpty();
        s->description_ = QStringLiteral("Simulated board %1").arg(id);
        s->board_ = std::move(board);
        return true;
    };

    if (choice->kind == BoardChoice::Sim) {
        if (!makeSim(choice->simBoardId))
            return nullptr;
    } else if (choice->kind == BoardChoice::Fx2Emu) {
        // The real board's code path over an emulated FX2 with the simulated board behind it.
        auto bus = std::make_unique<sim::EmulatedFx2>(clock);
        sim::Fx2DeviceConfig device;
        device.board.boardId = choice->simBoardId;
        device.board.scenario = options.scenario;
        s->sim_ = &bus->plug(device);
        s->followPrompts_ = options.scenario.isEmpty();
        if (!s->sim_->scenarioError().isEmpty()) {
            if (error)
                *error = s->sim_->scenarioError();
            return nullptr;
        }
        // The firmware behind the FX2 refuses: the FX2 stalls the request.
        // Its requests count from the library's check after the download.
        if (fault && fault->kind == SimFault::Request)
            s->sim_->failRequestNumber(fault->at);
        else if (fault)
            s->sim_->failFromUs(clock.nowUs() + fault->at * 1000);
        s->description_ = QStringLiteral("Emulated FX2 board");
        s->board_ = std::make_unique<LibUsbAccess>(std::move(bus));
    } else {
        auto usb = std::make_unique<LibUsbAccess>(makeLibUsbBackend(), choice->usbPort);
        bool found = choice->kind == BoardChoice::Usb;
        if (!found) {
            int32_t count = 0;
            uint8_t list[128] = {};
            found = usb->Search_For_Boards(BoardVendorId, BoardProductId, count, list) <= 0;
        }
        if (found && fault) {
            if (error)
                *error = QStringLiteral("--sim-fault rehearses failures on the simulated board "
                                        "only, and this run uses a real one");
            return nullptr;
        }
        if (found) {
            s->board_ = std::move(usb);
            s->description_ = QStringLiteral("USB board");
        } else if (!makeSim(choice->simBoardId)) {
            return nullptr;
        }
    }

    // The built-in finger does what a person would when a guided
    // measurement speaks to them; a scenario file keeps its own script.
    if (s->followPrompts_) {
        sim::SimBoard* board = s->sim_;
        setPromptListener([board](const OperatorPrompt& p) { board->followPrompt(p); });
    }
    if (!options.usbLog.isEmpty()) {
        s->log_ = std::make_unique<TrackedFile>(options.usbLog);
        if (!s->log_->open()) {
            if (error)
                *error = QStringLiteral("Cannot write the USB log file \"%1\"").arg(options.usbLog);
            return nullptr;
        }
        TrackedFile* log = s->log_.get();
        s->tracer_ = std::make_unique<TracingUsbAccess>(
            *s->board_,
            [log](const VendorRecord& r) {
                // Straight to the file, so a trace survives a run that ends
                // abruptly. A trace that cannot be written says so once
                // (ending on its last whole line) but leaves the board be.
                if (!log->failed() && !log->write(usbLogLine(r).toLatin1() + '\n'))
                    reportIncompleteOutput(
                        QStringLiteral("USB log \"%1\" cannot be written (%2): the trace is "
                                       "incomplete")
                            .arg(log->path(), log->reason()));
            },
            [&clock] { return clock.nowUs(); });
    }
    return s;
}

BoardSession::~BoardSession()
{
    if (followPrompts_)
        setPromptListener({});
}

UsbAccess& BoardSession::access()
{
    return tracer_ ? *tracer_ : *board_;
}

} // namespace cv
