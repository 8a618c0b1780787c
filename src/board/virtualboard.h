#pragma once

// The virtual board: the loader that takes frames from the host, and the program it starts,
// run on the simulated chip in real time. It neither waits nor reads a clock of its own: the
// host's event loop calls tick() every few milliseconds and feeds what the line brings, and
// the time comes from the clock it was given, so tests step it.

#include "board/hostline.h"
#include "serial/framereceiver.h"
#include "sim/chip.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vesk::board {

class VirtualBoard : public QObject
{
    Q_OBJECT
public:
    using Time = std::chrono::nanoseconds;
    using Clock = std::function<Time()>;

    // How often the host should call tick() while a program runs: often enough for the LEDs
    // and the terminal, seldom enough that each slice is worth its call.
    static constexpr std::chrono::milliseconds kSlice{5};
    // A host that fell behind (a stopped terminal, a busy machine) catches up at most this
    // much board time in one tick and lets the rest go, so it never spirals.
    static constexpr std::chrono::milliseconds kMaxCatchUp{50};
    // --fast: one tick runs for about this long before the event loop gets its turn.
    static constexpr std::chrono::milliseconds kFastSlice{8};

    struct Options
    {
        uint64_t clockHz = sim::Chip::kDefaultClockHz;
        bool fast = false;
        // --fast with a clock that does not move (tests): the most board time one tick runs.
        std::chrono::milliseconds fastLimit{200};
    };

    VirtualBoard(Clock clock, Options options, QObject *parent = nullptr);
    ~VirtualBoard() override;

    // Boots `image` as a ROM image from its reset vector, now and at every reset(). An empty
    // string, or why the image cannot run.
    QString bootRom(const QByteArray &image);

    // Bytes the host sent, now.
    void feed(const QByteArray &bytes);
    // Runs the program up to now (or, with fast, for one slice) and settles what the quiet
    // line decides: held zeros, a frame cut off.
    void tick();
    // The line ends: a frame in progress is reported, cut off.
    void finish();
    // The reset button: the ROM image boots again; without one the program stops and the
    // board waits for a frame.
    void reset();
    // The levels the outside world puts on a port's pins (port 7: the switches).
    void setSwitches(int port, quint8 levels);

    bool running() const { return m_running; }
    // When tick() must next be called while no program runs; none when nothing waits.
    std::optional<Time> deadline() const { return m_line.deadline(); }
    // The running program's state count (0 with none).
    uint64_t states() const { return m_chip ? m_chip->states() : 0; }

signals:
    // A frame the loader read, well formed or not; a well-formed one has started its image.
    void frameReceived(const vesk::FrameReceiver::Frame &frame);
    // The program stopped ("program stopped: idle loop at FFDF1C"), or an image could not run.
    void programStopped(const QString &message);
    // A port's data register changed at state `states` of the program.
    void portChanged(int port, quint8 value, quint64 states);
    // What the program sent on serial channel 1.
    void serialOutput(const QByteArray &bytes);

private:
    struct Change
    {
        int port;
        quint8 value;
        uint64_t states;
    };
    struct Arriving
    {
        quint8 byte;
        uint64_t from; // the state from which the program may receive it
    };

    void onFrame(FrameReceiver::Frame frame);
    void toProgram(const QByteArray &bytes);
    // A fresh chip with `image` loaded as `rom` says, and started; an empty string, or why
    // the image cannot run.
    QString start(const QByteArray &image, bool rom);
    int receive();
    void stop();
    // The state count real time gives at `now`.
    uint64_t stateAt(Time now) const;
    void runTo(uint64_t limit);
    // What the last run produced, to the signals.
    void deliver();

    Clock m_clock;
    Options m_options;
    HostLine m_line;
    std::unique_ptr<sim::Chip> m_chip;
    bool m_running = false;
    std::optional<QByteArray> m_rom;
    std::array<quint8, 11> m_pins{};

    // Real time: the program's state count was m_stateOrigin at m_timeOrigin.
    Time m_timeOrigin{0};
    uint64_t m_stateOrigin = 0;

    std::deque<Arriving> m_arriving;
    Time m_fedAt{0};
    // Filled inside the run loop without allocating: the buffers keep their capacity. Changes
    // beyond it in one slice keep only each port's latest value.
    std::vector<Change> m_changes;
    std::array<std::optional<Change>, 11> m_latest{};
    QByteArray m_sent;
};

} // namespace vesk::board
