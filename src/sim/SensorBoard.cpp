#include "sim/SensorBoard.h"

#include "sim/ChipModel.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace cv::sim {

namespace {

BoardLayout makeBoard(int id)
{
    BoardLayout b;
    b.boardId = id;
    auto seg = [](const char* prefix, int i) {
        return QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i);
    };
    if (id == 1) {
        // Board 1: key pad on CIN9..CIN12, eight sensors of the slider strip on CIN0..CIN7.
        for (int i = 0; i < 8; ++i)
            b.electrodes.push_back({seg("sensor", i), i, 11.0 + 0.6 * i, 0.8});
        b.electrodes.push_back({QStringLiteral("up"), 9, 14.2, 0.8});
        b.electrodes.push_back({QStringLiteral("down"), 10, 13.6, 0.8});
        b.electrodes.push_back({QStringLiteral("left"), 11, 15.1, 0.75});
        b.electrodes.push_back({QStringLiteral("right"), 12, 14.8, 0.75});
        b.up = 8;
        b.down = 9;
        b.left = 10;
        b.right = 11;
        for (int i = 0; i < 8; ++i)
            b.slider[i] = i;
    } else if (id == 70) {
        // Board 70: slider segments on CIN0..CIN7, key pad on CIN8..CIN11.
        for (int i = 0; i < 8; ++i)
            b.electrodes.push_back({seg("seg", i), i, 16.5 - 0.5 * i, 0.7});
        b.electrodes.push_back({QStringLiteral("up"), 8, 12.4, 0.6});
        b.electrodes.push_back({QStringLiteral("right"), 9, 12.9, 0.6});
        b.electrodes.push_back({QStringLiteral("down"), 10, 13.3, 0.6});
        b.electrodes.push_back({QStringLiteral("left"), 11, 12.1, 0.6});
        b.up = 8;
        b.right = 9;
        b.down = 10;
        b.left = 11;
        for (int i = 0; i < 8; ++i)
            b.slider[i] = i;
    } else {
        // Board 58 (and any other): key pad on CIN0..CIN3, slider on CIN4..CIN11.
        b.electrodes.push_back({QStringLiteral("up"), 0, 14.0, 0.8});
        b.electrodes.push_back({QStringLiteral("down"), 1, 13.5, 0.8});
        b.electrodes.push_back({QStringLiteral("left"), 2, 15.0, 0.8});
        b.electrodes.push_back({QStringLiteral("right"), 3, 14.5, 0.8});
        for (int i = 0; i < 8; ++i)
            b.electrodes.push_back({seg("seg", i), 4 + i, 12.0 + 0.4 * i, 0.65});
        for (int i = 0; i < 8; ++i)
            b.slider[i] = 4 + i;
    }
    return b;
}

constexpr int64_t kForever = -1;

} // namespace

QStringList BoardLayout::targetNames() const
{
    QStringList names;
    for (const auto& e : electrodes)
        names << e.name;
    names << QStringLiteral("centre");
    return names;
}

std::optional<int> BoardLayout::target(const QString& name) const
{
    const int i = static_cast<int>(targetNames().indexOf(name.toLower()));
    if (i < 0)
        return std::nullopt;
    return i;
}

const BoardLayout& BoardLayout::forBoard(int boardId)
{
    static const std::map<int, BoardLayout> boards = {
        {1, makeBoard(1)}, {58, makeBoard(58)}, {70, makeBoard(70)}};
    const auto it = boards.find(boardId);
    return it != boards.end() ? it->second : boards.at(58);
}

std::optional<Scenario> Scenario::parse(const QString& text, const BoardLayout& board,
                                        QString* error)
{
    Scenario s;
    std::map<int, size_t> open; // target -> index of its press without release
    int loopLine = 0;
    // The first event that starts latest, for the check against the loop period.
    int64_t latest = -1;
    int latestLine = 0;
    const QStringList lines = text.split(QLatin1Char('\n'));
    auto fail = [&](int line, const QString& why) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(line).arg(why);
        return std::nullopt;
    };
    // Milliseconds: finite, not negative and small enough that sums of them
    // stay exact in 64 bits.
    auto number = [](const QString& t, double& v) {
        bool ok = false;
        v = t.toDouble(&ok);
        return ok && v >= 0 && v <= static_cast<double>(kMaxMs);
    };
    const QString range = QStringLiteral("0 to %1 ms").arg(kMaxMs);
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        const int hash = static_cast<int>(line.indexOf(QLatin1Char('#')));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList w = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (w.isEmpty())
            continue;
        const int lineNo = n + 1;
        double v = 0;
        if (w[0] == QLatin1String("loop")) {
            if (w.size() != 2 || !number(w[1], v) || v < 1)
                return fail(
                    lineNo,
                    QStringLiteral("\"loop PERIOD\" needs a period of 1 to %1 ms").arg(kMaxMs));
            if (loopLine)
                return fail(
                    lineNo,
                    QStringLiteral("a second \"loop\" line (the first is line %1)").arg(loopLine));
            s.loopMs_ = static_cast<int64_t>(v);
            loopLine = lineNo;
            continue;
        }
        if (!number(w[0], v))
            return fail(lineNo, QStringLiteral("a time in ms (%1) or \"loop\" expected, got \"%2\"")
                                    .arg(range, shortQuote(w[0])));
        const auto t = static_cast<int64_t>(v);
        if (t > latest) {
            latest = t;
            latestLine = lineNo;
        }
        if (w.size() < 2)
            return fail(lineNo, QStringLiteral("an event expected after the time"));
        const QString ev = w[1].toLower();
        if (ev == QLatin1String("press") || ev == QLatin1String("release") ||
            ev == QLatin1String("tap")) {
            if (w.size() != 3)
                return fail(lineNo, QStringLiteral("\"%1 KEY\" expected").arg(shortQuote(ev)));
            const auto target = board.target(w[2]);
            if (!target)
                return fail(lineNo, QStringLiteral("unknown key \"%1\" (this board has %2)")
                                        .arg(shortQuote(w[2]),
                                             board.targetNames().join(QLatin1String(", "))));
            if (ev == QLatin1String("tap")) {
                s.presses_.push_back({*target, t, t + 200});
            } else if (ev == QLatin1String("press")) {
                if (open.count(*target))
                    return fail(lineNo,
                                QStringLiteral("\"%1\" is already pressed").arg(shortQuote(w[2])));
                open[*target] = s.presses_.size();
                s.presses_.push_back({*target, t, kForever});
            } else {
                const auto it = open.find(*target);
                if (it == open.end())
                    return fail(lineNo,
                                QStringLiteral("\"%1\" is not pressed").arg(shortQuote(w[2])));
                if (t < s.presses_[it->second].from)
                    return fail(lineNo, QStringLiteral("release before its press"));
                s.presses_[it->second].to = t;
                open.erase(it);
            }
        } else if (ev == QLatin1String("slide")) {
            double a = 0, b = 0, d = 0;
            if (w.size() != 5 || !number(w[2], a) || !number(w[3], b) || !number(w[4], d) ||
                a > 255 || b > 255)
                return fail(lineNo,
                            QStringLiteral("\"slide FROM TO DURATION\" expected (positions 0 to "
                                           "255, duration %1)")
                                .arg(range));
            s.slides_.push_back({t, t + static_cast<int64_t>(d), a, b});
        } else if (ev == QLatin1String("hum")) {
            if (w.size() == 3 && w[2].toLower() == QLatin1String("off")) {
                s.humLines_.push_back({t, true, {}});
                continue;
            }
            bool okHz = false, okPp = false;
            const double hz = w.size() >= 4 ? w[2].toDouble(&okHz) : 0;
            const double pp = w.size() >= 4 ? w[3].toDouble(&okPp) : 0;
            if (!okHz || !okPp || !(hz > 0 && hz <= 100000) || !(pp >= 0 && pp <= 65535))
                return fail(lineNo, QStringLiteral("\"hum HZ COUNTS [SENSOR...]\" (HZ above 0 "
                                                   "up to 100000, COUNTS 0 to 65535) or "
                                                   "\"hum off\" expected"));
            Tone tone{hz, pp, 0};
            for (int i = 4; i < w.size(); ++i) {
                const auto target = board.target(w[i]);
                if (!target || *target == board.centreTarget())
                    return fail(lineNo,
                                QStringLiteral("unknown sensor \"%1\" (this board has %2)")
                                    .arg(shortQuote(w[i]), board.targetNames()
                                                               .mid(0, int(board.electrodes.size()))
                                                               .join(QLatin1String(", "))));
                tone.electrodes |= 1u << *target;
            }
            if (!tone.electrodes)
                tone.electrodes = (1u << board.electrodes.size()) - 1;
            s.humLines_.push_back({t, false, tone});
        } else {
            return fail(lineNo, QStringLiteral(
                                    "unknown event \"%1\" (press, release, tap, slide, hum, loop)")
                                    .arg(shortQuote(w[1])));
        }
    }
    // An event at or after the period would never come round.
    if (s.loopMs_ > 0 && latest >= s.loopMs_)
        return fail(latestLine, QStringLiteral("the event at %1 ms never happens: the script "
                                               "loops every %2 ms (line %3)")
                                    .arg(latest)
                                    .arg(s.loopMs_)
                                    .arg(loopLine));
    s.buildIndex();
    s.buildHum();
    return s;
}

std::optional<Scenario> Scenario::readFile(const QString& path, const BoardLayout& board,
                                           QString* error)
{
    const TextFileRead file = readTextFile(path, kFileLimits);
    QString why;
    std::optional<Scenario> s;
    if (!file.bytes)
        why = file.error;
    else if (!(s = parse(QString::fromUtf8(*file.bytes), board, &why)))
        why = path + QLatin1Char(' ') + why;
    if (!s && error)
        *error = QStringLiteral("Scenario ") + why;
    return s;
}

void Scenario::buildIndex()
{
    // Half-open integer intervals: presses [from, to), slides [from, to + 1)
    // since a slide still holds its end position at `to`.
    struct Edge {
        int64_t at;
        int press; // target, or -1
        int slide; // index, or -1
        int step;  // +1 starts, -1 ends
    };
    std::vector<Edge> edges;
    edges.reserve(2 * (presses_.size() + slides_.size()));
    for (const auto& p : presses_) {
        edges.push_back({p.from, p.target, -1, +1});
        if (p.to != kForever)
            edges.push_back({p.to, p.target, -1, -1});
    }
    for (size_t i = 0; i < slides_.size(); ++i) {
        edges.push_back({slides_[i].from, -1, static_cast<int>(i), +1});
        edges.push_back({slides_[i].to + 1, -1, static_cast<int>(i), -1});
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.at < b.at; });

    spans_.clear();
    std::array<int, 32> held{};
    std::set<int> sliding; // of several slides at once the last one written wins
    for (size_t i = 0; i < edges.size();) {
        const int64_t at = edges[i].at;
        for (; i < edges.size() && edges[i].at == at; ++i) {
            const Edge& e = edges[i];
            if (e.press >= 0)
                held[static_cast<size_t>(e.press)] += e.step;
            else if (e.step > 0)
                sliding.insert(e.slide);
            else
                sliding.erase(e.slide);
        }
        Span span{at, 0, sliding.empty() ? -1 : *sliding.rbegin()};
        for (size_t t = 0; t < held.size(); ++t)
            if (held[t] > 0)
                span.touched |= 1u << t;
        spans_.push_back(span);
    }
}

void Scenario::buildHum()
{
    std::stable_sort(humLines_.begin(), humLines_.end(),
                     [](const HumLine& a, const HumLine& b) { return a.at < b.at; });
    humSpans_.clear();
    std::vector<Tone> tones;
    for (const HumLine& line : humLines_) {
        if (line.off) {
            tones.clear();
        } else {
            std::erase_if(tones, [&](const Tone& t) { return t.hz == line.tone.hz; });
            tones.push_back(line.tone);
        }
        if (!humSpans_.empty() && humSpans_.back().from == line.at)
            humSpans_.back().tones = tones;
        else
            humSpans_.push_back({line.at, tones});
    }
}

const std::vector<Scenario::Tone>& Scenario::humAt(int64_t ms) const
{
    static const std::vector<Tone> kNone;
    if (loopMs_ > 0)
        ms %= loopMs_;
    const auto it = std::upper_bound(humSpans_.begin(), humSpans_.end(), ms,
                                     [](int64_t t, const HumSpan& s) { return t < s.from; });
    return it == humSpans_.begin() ? kNone : std::prev(it)->tones;
}

QString Scenario::standardText(const BoardLayout& board)
{
    // Keys one after the other, a held key, the centre, slides both ways and
    // a tap on the slider; then again.
    QString seg3 = board.electrodes[board.slider[3]].name;
    return QStringLiteral("# default finger\n"
                          "1000 tap up\n"
                          "2000 tap down\n"
                          "3000 press right\n"
                          "4200 release right\n"
                          "5000 tap left\n"
                          "6000 tap centre\n"
                          "7000 slide 10 245 1500\n"
                          "9500 slide 240 20 1200\n"
                          "11500 tap %1\n"
                          "12500 press down\n"
                          "15500 release down\n"
                          "loop 17000\n")
        .arg(seg3);
}

Scenario Scenario::standard(const BoardLayout& board)
{
    return *parse(standardText(board), board, nullptr);
}

FingerState Scenario::at(int64_t ms) const
{
    FingerState f;
    if (loopMs_ > 0)
        ms %= loopMs_;
    const auto it = std::upper_bound(spans_.begin(), spans_.end(), ms,
                                     [](int64_t t, const Span& s) { return t < s.from; });
    if (it == spans_.begin())
        return f;
    const Span& span = *std::prev(it);
    f.touched = span.touched;
    if (span.slide >= 0) {
        const Slide& s = slides_[static_cast<size_t>(span.slide)];
        const double length = static_cast<double>(std::max<int64_t>(1, s.to - s.from));
        const double pos = s.start + (s.end - s.start) * static_cast<double>(ms - s.from) / length;
        // Rounding must not carry the finger a hair past either end.
        f.sliderPos = std::clamp(pos, std::min(s.start, s.end), std::max(s.start, s.end));
    }
    return f;
}

SensorModel::SensorModel(const BoardLayout& board) : board_(board) {}

void SensorModel::setManualTouch(int target, bool down)
{
    if (down)
        manual_.touched |= 1u << target;
    else
        manual_.touched &= ~(1u << target);
}

FingerState SensorModel::fingerAt(int64_t ms) const
{
    FingerState f = scenario_.at(ms);
    f.touched |= manual_.touched;
    if (manual_.sliderPos >= 0)
        f.sliderPos = manual_.sliderPos;
    return f;
}

void SensorModel::capacitances(int64_t ms, std::array<double, 13>& pF) const
{
    // Traces of CINs without an electrode still have a little capacitance.
    pF.fill(6.0);
    // Slow drift as the board warms and cools: a few tenths of a pF over minutes.
    const double drift = 0.08 * std::sin(static_cast<double>(ms) * (2.0 * M_PI / 240000.0));
    for (const auto& e : board_.electrodes)
        pF[e.cin] = e.baselinePf + drift * (e.baselinePf / 14.0);
    const FingerState f = fingerAt(ms);
    if (f.touched) {
        for (size_t i = 0; i < board_.electrodes.size(); ++i)
            if (f.touched & (1u << i))
                pF[board_.electrodes[i].cin] += board_.electrodes[i].couplingPf;
        if (f.touched & (1u << board_.centreTarget()))
            for (int k : {board_.up, board_.down, board_.left, board_.right})
                pF[board_.electrodes[k].cin] += 0.55 * board_.electrodes[k].couplingPf;
    }
    if (f.sliderPos >= 0) {
        // Position 0..255 spans the centres of segment 0 to segment 7; the
        // finger covers about one and a half segments.
        const double x = f.sliderPos / 255.0 * 7.0;
        for (int i = 0; i < 8; ++i) {
            const double share = std::max(0.0, 1.0 - std::abs(x - i) / 1.3);
            const Electrode& e = board_.electrodes[board_.slider[i]];
            pF[e.cin] += share * e.couplingPf;
        }
    }
}

void SensorModel::addHum(int64_t us, std::array<double, 13>& pF) const
{
    for (const Scenario::Tone& t : scenario_.humAt(us / 1000)) {
        // Counts of a single-ended stage: the converter's counts per pF.
        const double pf = t.countsPp / 2 / ChipModel::kCountsPerPf *
                          std::sin(2 * M_PI * t.hz * static_cast<double>(us) * 1e-6);
        for (size_t i = 0; i < board_.electrodes.size(); ++i)
            if (t.electrodes & (1u << i))
                pF[board_.electrodes[i].cin] += pf;
    }
}

} // namespace cv::sim
