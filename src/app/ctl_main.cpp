// cv5320ctl: the evaluation program's start-up and register access without
// windows. Commands run in order on one board in one invocation.

#include "app/AppOptions.h"
#include "app/HelpTexts.h"
#include "config/ConfigHeader.h"
#include "config/DiagramOps.h"
#include "config/OffsetCalibration.h"
#include "demo/DemoCommand.h"
#include "link/RegMap.h"
#include "link/RegisterFile.h"
#include "link/Startup.h"
#include "link/UsbUtils.h"
#include "measure/AdcStream.h"
#include "measure/OverviewCommand.h"
#include "measure/SpectrumCommand.h"
#include "measure/StageStreamCommand.h"
#include "platform/CliServices.h"
#include "platform/ExitNow.h"
#include "platform/NumText.h"
#include "platform/OpenFiles.h"
#include "shell/BoardSession.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonObject>
#include <QRegularExpression>
#include <climits>
#include <cstdio>
#include <functional>
#include <map>

using namespace cv;

namespace {

const char* const kUsage =
    "usage: cv5320ctl [--board sim|sim:N|usb|usb:BUS-PORT|fx2-emu] [--usb-log FILE]\n"
    "                 [--scenario FILE|none] [--sim-fault request=N|after=MS] COMMAND...\n"
    "       cv5320ctl --help | --version\n"
    "commands:\n"
    "  info                                board, chip and firmware identity\n"
    "  read [--board-reg] [--index N] ADDR [COUNT]\n"
    "  write [--board-reg] ADDR VALUE\n"
    "  wait MS\n"
    "  save FILE                           bank 2 and 0x000-0x007 to a register file\n"
    "  load FILE                           writes the registers a register file holds\n"
    "  dump                                the register console's registers with labels\n"
    "  init-inputs                         every input of every stage to bias, standard levels\n"
    "  easy-setup                          asks the board to reset the chip's registers\n"
    "  calibrate STAGE|all                 offset calibration of one stage or the sweep of all\n"
    "  export-header FILE                  the configuration as C header text\n"
    "  stream --seconds S [--out FILE] [--csv FILE]\n"
    "                                      the twelve conversion results streamed as the\n"
    "                                      converter window does; noise figures per stage\n"
    "  stage-stream N --seconds S [--ram] [--out FILE] [--csv FILE]\n"
    "                                      streams stage N's live values, then noise figures\n"
    "                                      (--csv: a log with time, set index and registers)\n"
    "  demo --tab demo|slider|joypad --seconds S\n"
    "                                      the demo tab's loop, one JSON object per shown block\n"
    "  overview --seconds S                all twelve stages, one JSON object per second\n"
    "  snr --noise-seconds A --touch-seconds B [--apply] [--require R] [--stages LIST]\n"
    "                                      noise, then touches; SNR and suggested sensitivity\n"
    "                                      per stage as JSON; --apply writes the suggestions;\n"
    "                                      --require fails (exit 1) unless every stage in LIST\n"
    "                                      (default: sequenced, connected) is judged and\n"
    "                                      reaches R\n"
    "  spectrum --seconds S [--stage N]    noise spectrum of each stage's delta as JSON:\n"
    "                                      rate, resolution, noise floor, five largest peaks\n"
    "                                      with the mains hum each may be an alias of\n";

[[noreturn]] void usageError(const QString& why);

struct CommandLine {
    QStringList words;
    int pos = 0;
    bool boardRegDefault = false;
    // The first pass over the words only parses, so that a mistake anywhere
    // is found before the first register access.
    bool checkOnly = false;

    // The options the current command was given so far.
    QStringList commandOptions;

    bool atEnd() const { return pos >= words.size(); }
    QString next()
    {
        if (atEnd())
            return {};
        const QString word = words[pos++];
        // The second of an option given twice would silently win.
        if (word.startsWith(QLatin1String("--"))) {
            if (commandOptions.contains(word))
                usageError(QStringLiteral("%1 is given twice").arg(word));
            commandOptions << word;
        }
        return word;
    }
    QString peek() const { return atEnd() ? QString() : words[pos]; }
};

[[noreturn]] void usageError(const QString& why)
{
    // The mistake and where to look, not a screenful that hides the mistake.
    std::fprintf(stderr, "%s\nTry 'cv5320ctl --help' for the commands and options.\n",
                 why.toLocal8Bit().constData());
    std::fflush(stderr);
    exitNow(2);
}

// A decimal or 0x hexadecimal number. One too long for 64 bits is still a
// number: it reads as the nearest end of the range, so it is said to be out
// of range rather than not a number.
bool parseNumber(const QString& text, long long& out)
{
    static const QRegularExpression form(QStringLiteral("^([-+]?[0-9]+|0[xX][0-9a-fA-F]+)$"));
    if (!form.match(text).hasMatch())
        return false;
    bool ok = false;
    out = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
              ? text.mid(2).toLongLong(&ok, 16)
              : text.toLongLong(&ok, 10);
    if (!ok)
        out = text.startsWith(QLatin1Char('-')) ? LLONG_MIN : LLONG_MAX;
    return true;
}

long long number(CommandLine& cl, const char* what, long long lo, long long hi)
{
    const QString t = cl.next();
    long long v = 0;
    if (t.isEmpty() || !parseNumber(t, v))
        usageError(QStringLiteral("%1 expected, got \"%2\"").arg(QLatin1String(what), t));
    if (v < lo || v > hi)
        usageError(QStringLiteral("%1 %2 is out of range (%3 to %4)")
                       .arg(QLatin1String(what), t)
                       .arg(lo)
                       .arg(hi));
    return v;
}

struct RegOptions {
    int16_t target = TargetChip;
    uint16_t index = 0;
};

// Options that may follow a command word: --board-reg and --index N.
RegOptions regOptions(CommandLine& cl)
{
    RegOptions o;
    if (cl.boardRegDefault)
        o.target = TargetBoard;
    while (cl.peek().startsWith(QLatin1String("--"))) {
        const QString opt = cl.next();
        if (opt == QLatin1String("--board-reg"))
            o.target = TargetBoard;
        else if (opt == QLatin1String("--index"))
            o.index = static_cast<uint16_t>(number(cl, "index", 0, 0xFFFF));
        else
            usageError(QStringLiteral("unknown option %1").arg(opt));
    }
    return o;
}

QString hex4(long long v)
{
    return QStringLiteral("0x%1")
        .arg(v, 4, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QLatin1String("0X"), QLatin1String("0x"));
}

// The board this run took, for `info`.
QString g_boardText;

void cmdInfo(CommandLine& cl)
{
    if (cl.checkOnly)
        return;
    const int32_t boardId = readBoardId();
    const int32_t chipId = ReadRegister(reg::PART_ID, TargetChip);
    const int32_t fw = ReadRegister(reg::board::FirmwareRevision, TargetBoard);
    std::printf("Board ID: %d\n%s\n%s\n%s\n", boardId,
                deviceIdText(chipId).toLocal8Bit().constData(),
                siliconRevisionText(chipId).toLocal8Bit().constData(),
                firmwareRevisionText(fw).toLocal8Bit().constData());
    std::printf("Board: %s\n", g_boardText.toLocal8Bit().constData());
}

void cmdRead(CommandLine& cl)
{
    const RegOptions o = regOptions(cl);
    const auto address = static_cast<int16_t>(number(cl, "address", 0, reg::kMaxAddress));
    long long count = 1;
    long long v = 0;
    if (!cl.atEnd() && parseNumber(cl.peek(), v))
        count = number(cl, "count", 1, kMaxReadCount);
    if (address + count - 1 > reg::kMaxAddress)
        usageError(QStringLiteral("%1 registers from %2 run past %3")
                       .arg(count)
                       .arg(hex4(address), hex4(reg::kMaxAddress)));
    if (cl.checkOnly)
        return;
    int32_t values[kMaxReadCount] = {};
    int16_t status = 0;
    ReadRegisters(address, static_cast<int32_t>(count), o.target, o.index, status, values);
    for (int i = 0; i < count; ++i)
        std::printf("%s %s\n", hex4(address + i).toLatin1().constData(),
                    hex4(values[i]).toLatin1().constData());
    std::printf("status %d\n", status);
}

void cmdWrite(CommandLine& cl)
{
    const RegOptions o = regOptions(cl);
    const auto address = static_cast<int16_t>(number(cl, "address", 0, reg::kMaxAddress));
    const auto value = static_cast<int32_t>(number(cl, "value", 0, 0xFFFF));
    if (cl.checkOnly)
        return;
    WriteRegister(address, value, o.target);
}

void cmdWait(CommandLine& cl)
{
    const auto ms = static_cast<int>(number(cl, "milliseconds", 0, 3600000));
    if (!cl.checkOnly)
        services().sleepMs(ms);
}

QString fileArgument(CommandLine& cl)
{
    const QString path = cl.next();
    if (path.isEmpty())
        usageError(QStringLiteral("file name expected"));
    return path;
}

// The console's one message for any file failure and what went wrong, then
// a failed exit.
[[noreturn]] void registerFileFailure(const QString& why)
{
    services().message(kRegisterFileError + QLatin1Char('\n') + why, MsgIcon::None, kAppTitle,
                       MsgButtons::Ok);
    services().endProgram(1);
}

void cmdSave(CommandLine& cl)
{
    const QString path = fileArgument(cl);
    QString why;
    if (!cl.checkOnly && !saveRegisterFile(path, &why))
        registerFileFailure(why);
}

void cmdLoad(CommandLine& cl)
{
    const QString path = fileArgument(cl);
    QString why;
    if (!cl.checkOnly && !loadRegisterFile(path, &why))
        registerFileFailure(why);
}

void cmdDump(CommandLine& cl)
{
    if (cl.checkOnly)
        return;
    const ConsoleRegisters r = readConsoleRegisters();
    auto line = [](int address, int32_t value, const QString& label) {
        std::printf("%s %s %s\n", hex4(address).toLatin1().constData(),
                    hex4(value).toLatin1().constData(), label.toLatin1().constData());
    };
    for (int i = 0; i < kConsoleBank1Count; ++i)
        line(consoleBank1Address(i), r.bank1[static_cast<size_t>(i)],
             reg::bank1ConsoleLabel(consoleBank1Address(i)));
    for (int n = 0; n < kConsoleBank2Count; ++n) {
        const int address = reg::BANK2 + n;
        line(address, r.bank2[static_cast<size_t>(n)],
             reg::bank2ConsoleLabel(n & 7) + QStringLiteral(" 0x") + hexText(address));
    }
}

void cmdInitInputs(CommandLine& cl)
{
    if (!cl.checkOnly)
        InitialiseCinInputs();
}

void cmdEasySetup(CommandLine& cl)
{
    if (!cl.checkOnly)
        RequestEasySetup();
}

const char* branchName(CalibrationBranch b)
{
    switch (b) {
    case CalibrationBranch::Floating: return "floating";
    case CalibrationBranch::AllBias: return "all bias";
    case CalibrationBranch::SingleNegative: return "single-ended -";
    case CalibrationBranch::SinglePositive: return "single-ended +";
    case CalibrationBranch::Differential: return "differential";
    }
    return "";
}

// One line per stage: what it is, where its offsets and result ended.
void printCalibration(int stage, const CalibrationReport& r)
{
    const int32_t afe = ReadRegister(reg::bank2(stage, reg::AFE_OFFSET), TargetChip);
    const int32_t result = ReadRegister(reg::convResult(stage), TargetChip);
    std::printf("stage %d: %s, AFE offset %s, result %d, %d steps%s\n", stage, branchName(r.Branch),
                hex4(afe).toLatin1().constData(), result, r.SearchSteps,
                r.OutOfRange ? ", not at mid-range" : "");
}

void cmdCalibrate(CommandLine& cl)
{
    if (cl.peek() == QLatin1String("all")) {
        cl.next();
        if (cl.checkOnly)
            return;
        const auto reports = CalibrateAllStages();
        for (int s = 0; s < reg::kStages; ++s)
            printCalibration(s, reports[static_cast<size_t>(s)]);
        return;
    }
    const int stage = static_cast<int>(number(cl, "stage", 0, reg::kStages - 1));
    if (cl.checkOnly)
        return;
    printCalibration(stage, CalibrateOneStage(stage));
}

void cmdExportHeader(CommandLine& cl)
{
    const QString path = fileArgument(cl);
    if (!cl.checkOnly && !CreateConfigFile(path))
        services().endProgram(1);
}

// What produced a --csv log, for the stamp beside it.
QJsonObject csvOrigin()
{
    const int32_t fw = ReadRegister(reg::board::FirmwareRevision, TargetBoard);
    return {{QStringLiteral("program"), QStringLiteral("cv5320ctl")},
            {QStringLiteral("version"), QLatin1String(CV_VERSION)},
            {QStringLiteral("board_id"), ReadRegister(reg::board::BoardId, TargetBoard)},
            {QStringLiteral("firmware"), QStringLiteral("%1.%2").arg((fw >> 4) & 0xF).arg(fw & 0xF)},
            {QStringLiteral("date"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)}};
}

// The length of a stream: above 0, at most a day.
double secondsArgument(CommandLine& cl)
{
    const QString t = cl.next();
    bool ok = false;
    const double seconds = t.toDouble(&ok);
    if (!ok || !(seconds > 0) || seconds > 86400)
        usageError(QStringLiteral("seconds expected (above 0, up to 86400), got \"%1\"").arg(t));
    return seconds;
}

void cmdStream(CommandLine& cl)
{
    double seconds = -1;
    QString out;
    CsvRequest csv;
    while (cl.peek().startsWith(QLatin1String("--"))) {
        const QString opt = cl.next();
        if (opt == QLatin1String("--seconds")) {
            seconds = secondsArgument(cl);
        } else if (opt == QLatin1String("--out")) {
            out = fileArgument(cl);
        } else if (opt == QLatin1String("--csv")) {
            csv.path = fileArgument(cl);
        } else {
            usageError(QStringLiteral("unknown option %1").arg(opt));
        }
    }
    if (seconds < 0)
        usageError(QStringLiteral("stream needs --seconds S"));
    if (cl.checkOnly)
        return;
    if (!csv.path.isEmpty())
        csv.origin = csvOrigin();
    const AdcStreamRun run = StreamConverterResults(seconds, out, csv);
    if (run.fileFailed || !run.started)
        services().endProgram(1);
    for (const QString& line : adcStreamSummary(run))
        std::printf("%s\n", line.toLocal8Bit().constData());
    if (run.rearmFailed)
        services().endProgram(1);
}

void cmdStageStream(CommandLine& cl)
{
    StageStreamOptions o;
    o.stage = static_cast<int>(number(cl, "stage", 0, reg::kStages - 1));
    bool haveSeconds = false;
    while (cl.peek().startsWith(QLatin1String("--"))) {
        const QString opt = cl.next();
        if (opt == QLatin1String("--ram")) {
            o.ram = true;
        } else if (opt == QLatin1String("--out")) {
            o.out = fileArgument(cl);
        } else if (opt == QLatin1String("--csv")) {
            o.csv.path = fileArgument(cl);
        } else if (opt == QLatin1String("--seconds")) {
            o.seconds = secondsArgument(cl);
            haveSeconds = true;
        } else {
            usageError(QStringLiteral("unknown option %1").arg(opt));
        }
    }
    if (!haveSeconds)
        usageError(QStringLiteral("stage-stream needs --seconds S"));
    if (cl.checkOnly)
        return;
    if (!o.csv.path.isEmpty())
        o.csv.origin = csvOrigin();
    bool ok = false;
    const QStringList lines = RunStageStream(o, &ok);
    for (const QString& line : lines)
        std::printf("%s\n", line.toLocal8Bit().constData());
    if (!ok)
        services().endProgram(1);
}

void cmdDemo(CommandLine& cl)
{
    DemoTab tab = DemoTab::Demo;
    double seconds = 5;
    while (cl.peek().startsWith(QLatin1String("--"))) {
        const QString opt = cl.next();
        if (opt == QLatin1String("--tab")) {
            const QString name = cl.next();
            if (!demoTabFromName(name, &tab))
                usageError(
                    QStringLiteral("--tab takes demo, slider or joypad, not \"%1\"").arg(name));
        } else if (opt == QLatin1String("--seconds")) {
            seconds = secondsArgument(cl);
        } else {
            usageError(QStringLiteral("unknown option %1").arg(opt));
        }
    }
    if (cl.checkOnly)
        return;
    if (!RunDemoCommand(tab, seconds))
        services().endProgram(1);
}

void cmdOverview(CommandLine& cl)
{
    if (cl.next() != QLatin1String("--seconds"))
        usageError(QStringLiteral("overview needs --seconds S"));
    const double seconds = secondsArgument(cl);
    if (!cl.checkOnly && !RunOverviewCommand(seconds))
        services().endProgram(1);
}

void cmdSpectrum(CommandLine& cl)
{
    double seconds = -1;
    std::optional<int> stage;
    while (cl.peek().startsWith(QLatin1String("--"))) {
        const QString opt = cl.next();
        if (opt == QLatin1String("--seconds"))
            seconds = secondsArgument(cl);
        else if (opt == QLatin1String("--stage"))
            stage = static_cast<int>(number(cl, "stage", 0, reg::kStages - 1));
        else
            usageError(QStringLiteral("unknown option %1").arg(opt));
    }
    if (seconds < 0)
        usageError(QStringLiteral("spectrum needs --seconds S"));
    if (!cl.checkOnly && !RunSpectrumCommand(seconds, stage))
        services().endProgram(1);
}

void cmdSnr(CommandLine& cl)
{
    SnrOptions o;
    int have = 0;
    while (cl.peek().startsWith(QLatin1String("--"))) {
        const QString opt = cl.next();
        if (opt == QLatin1String("--noise-seconds")) {
            o.noiseSeconds = secondsArgument(cl);
            have |= 1;
        } else if (opt == QLatin1String("--touch-seconds")) {
            o.touchSeconds = secondsArgument(cl);
            have |= 2;
        } else if (opt == QLatin1String("--apply")) {
            o.apply = true;
        } else if (opt == QLatin1String("--stages")) {
            const QString t = cl.next();
            o.stages.clear();
            for (const QString& part : t.split(QLatin1Char(','))) {
                bool ok = false;
                const int s = part.toInt(&ok);
                if (!ok || s < 0 || s >= reg::kStages)
                    usageError(QStringLiteral("--stages takes stage numbers 0 to 11 separated by "
                                              "commas, got \"%1\"")
                                   .arg(t));
                if (std::find(o.stages.begin(), o.stages.end(), s) == o.stages.end())
                    o.stages.push_back(s);
            }
        } else if (opt == QLatin1String("--require")) {
            const QString t = cl.next();
            bool ok = false;
            o.require = t.toDouble(&ok);
            if (!ok || !(*o.require > 0) || *o.require > 1e6)
                usageError(QStringLiteral("required SNR expected (above 0), got \"%1\"").arg(t));
        } else {
            usageError(QStringLiteral("unknown option %1").arg(opt));
        }
    }
    if (have != 3)
        usageError(QStringLiteral("snr needs --noise-seconds A and --touch-seconds B"));
    if (!cl.checkOnly && RunSnrCommand(o) != 0)
        services().endProgram(1);
}

} // namespace

int main(int argc, char** argv)
{
    prepareOutput();
    QCoreApplication app(argc, argv);
    QStringList args;
    QString error;
    if (!programArguments(argc, argv, args, &error))
        usageError(error);
    BoardOptions options;
    if (!takeBoardOptions(args, options, &error))
        usageError(error);

    CommandLine cl;
    for (const QString& a : args) {
        if (a == QLatin1String("--board-reg") && cl.words.isEmpty())
            cl.boardRegDefault = true;
        else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            std::fputs(kUsage, stdout);
            std::fputs(kCtlHelpMore, stdout);
            return flushStandardOutput() ? 0 : 1;
        } else if (a == QLatin1String("--version")) {
            std::printf("cv5320ctl %s\n", CV_VERSION);
            return flushStandardOutput() ? 0 : 1;
        } else
            cl.words << a;
    }
    if (cl.words.isEmpty())
        usageError(QStringLiteral("no command given"));

    const std::map<QString, std::function<void(CommandLine&)>> commands = {
        {QStringLiteral("info"), cmdInfo},
        {QStringLiteral("read"), cmdRead},
        {QStringLiteral("write"), cmdWrite},
        {QStringLiteral("wait"), cmdWait},
        {QStringLiteral("save"), cmdSave},
        {QStringLiteral("load"), cmdLoad},
        {QStringLiteral("dump"), cmdDump},
        {QStringLiteral("init-inputs"), cmdInitInputs},
        {QStringLiteral("easy-setup"), cmdEasySetup},
        {QStringLiteral("calibrate"), cmdCalibrate},
        {QStringLiteral("export-header"), cmdExportHeader},
        {QStringLiteral("stream"), cmdStream},
        {QStringLiteral("stage-stream"), cmdStageStream},
        {QStringLiteral("demo"), cmdDemo},
        {QStringLiteral("overview"), cmdOverview},
        {QStringLiteral("snr"), cmdSnr},
        {QStringLiteral("spectrum"), cmdSpectrum},
    };
    auto runCommands = [&commands](CommandLine& line) {
        while (!line.atEnd()) {
            const QString word = line.next();
            line.commandOptions.clear();
            const auto it = commands.find(word);
            if (it == commands.end())
                usageError(QStringLiteral("unknown command \"%1\"").arg(word));
            it->second(line);
            QString why;
            if (!flushStandardOutput(&why)) {
                services().message(why);
                services().endProgram(1);
            }
        }
    };
    CommandLine check = cl;
    check.checkOnly = true;
    runCommands(check);

    static CliServices cli;
    setServices(&cli);
    auto session = BoardSession::create(options, cli.clock(), &error);
    if (!session)
        usageError(error);
    runStartup(session->access(), QCoreApplication::applicationDirPath());
    g_boardText = boardText(session->description(), session->access());

    runCommands(cl);
    return exitStatus(0);
}
