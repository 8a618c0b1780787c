#include "board/virtualboard.h"

#include "sim/runner.h"

#include <algorithm>
#include <span>
#include <string>
#include <utility>

namespace vesk::board {

namespace {

// Port changes one slice keeps in full; a program toggling a port faster than that is
// shown by its latest value, which is all a LED or a terminal line can show anyway.
constexpr size_t kChangesPerSlice = 1024;

uint64_t statesIn(std::chrono::nanoseconds time, uint64_t clockHz)
{
    if (time.count() <= 0)
        return 0;
    // Whole seconds and the rest apart, so that hours at any clock stay within 64 bits.
    const auto ns = static_cast<uint64_t>(time.count());
    return ns / 1'000'000'000 * clockHz + ns % 1'000'000'000 * clockHz / 1'000'000'000;
}

} // namespace

VirtualBoard::VirtualBoard(Clock clock, Options options, QObject *parent)
    : QObject(parent), m_clock(std::move(clock)), m_options(options),
      m_line([this](const QByteArray &bytes) { toProgram(bytes); },
             [this](FrameReceiver::Frame frame) { onFrame(std::move(frame)); })
{
    m_changes.reserve(kChangesPerSlice);
    m_sent.reserve(256);
}

VirtualBoard::~VirtualBoard() = default;

QString VirtualBoard::bootRom(const QByteArray &image)
{
    m_rom = image;
    return start(image, true);
}

void VirtualBoard::feed(const QByteArray &bytes)
{
    m_fedAt = m_clock();
    m_line.feed(bytes, m_fedAt);
}

void VirtualBoard::finish()
{
    m_line.finish();
}

void VirtualBoard::reset()
{
    if (m_rom) {
        const QString error = start(*m_rom, true);
        if (!error.isEmpty())
            emit programStopped(error);
    } else {
        stop();
    }
}

void VirtualBoard::setSwitches(int port, quint8 levels)
{
    if (port < 0 || port >= int(m_pins.size()))
        return;
    m_pins[size_t(port)] = levels;
    if (m_chip)
        m_chip->io().ports.setPins(port, levels);
}

void VirtualBoard::onFrame(FrameReceiver::Frame frame)
{
    const bool load = frame.wellFormed();
    const QByteArray image = frame.image;
    emit frameReceived(frame);
    // The loader starts what it took, whatever ran before: a ROM program included, which is
    // gone until the next reset.
    if (load) {
        const QString error = start(image, false);
        if (!error.isEmpty())
            emit programStopped(error);
    }
}

void VirtualBoard::toProgram(const QByteArray &bytes)
{
    if (!m_running)
        return;
    // A byte is on the line from the moment it arrived; the channel then takes a frame's
    // time to receive it, as it would from a real line.
    const uint64_t from = m_options.fast ? 0 : stateAt(m_fedAt);
    for (const char b : bytes)
        m_arriving.push_back({quint8(b), from});
}

int VirtualBoard::receive()
{
    if (m_arriving.empty() || m_arriving.front().from > m_chip->states())
        return sim::Sci::kNothingYet;
    const quint8 byte = m_arriving.front().byte;
    m_arriving.pop_front();
    return byte;
}

QString VirtualBoard::start(const QByteArray &image, bool rom)
{
    stop();
    auto chip = std::make_unique<sim::Chip>();
    sim::RunOptions options;
    options.rom = rom;
    std::string error;
    const auto bytes =
        std::span(reinterpret_cast<const uint8_t *>(image.constData()), size_t(image.size()));
    const auto where = sim::loadForRun(chip->memory(), options, bytes, error);
    if (!where)
        return QString("image not run: %1").arg(QString::fromStdString(error));
    chip->start(*where);
    // The loader took the image in on channel 1 and leaves it set up; a ROM program sets up
    // its own.
    if (!rom)
        chip->setUpLoaderChannel(m_options.clockHz);
    sim::ChipIo &io = chip->io();
    io.sci1.setTransmit([this](uint8_t byte) { m_sent.append(char(byte)); });
    io.sci1.setReceive([this] { return receive(); });
    io.ports.setChangeHandler([this](int port, uint8_t value) {
        const Change change{port, value, m_chip->states()};
        if (m_changes.size() < m_changes.capacity())
            m_changes.push_back(change);
        else
            m_latest[size_t(port)] = change;
    });
    for (int port = 0; port < int(m_pins.size()); ++port)
        io.ports.setPins(port, m_pins[size_t(port)]);

    m_chip = std::move(chip);
    m_running = true;
    m_timeOrigin = m_clock();
    m_stateOrigin = 0;
    m_line.setProgramRunning(true);
    return {};
}

void VirtualBoard::stop()
{
    m_running = false;
    m_chip.reset();
    m_arriving.clear();
    m_changes.clear();
    m_latest.fill(std::nullopt);
    m_sent.clear();
    m_line.setProgramRunning(false);
}

uint64_t VirtualBoard::stateAt(Time now) const
{
    return m_stateOrigin + statesIn(now - m_timeOrigin, m_options.clockHz);
}

void VirtualBoard::tick()
{
    const Time now = m_clock();
    if (m_running && m_options.fast) {
        const sim::Chip *chip = m_chip.get();
        const uint64_t chunk = std::max<uint64_t>(1, m_options.clockHz / 1000);
        const uint64_t most = statesIn(m_options.fastLimit, m_options.clockHz);
        for (uint64_t ran = 0; m_running && m_chip.get() == chip && ran < most; ran += chunk) {
            runTo(m_chip->states() + chunk);
            if (m_clock() - now >= kFastSlice)
                break;
        }
    } else if (m_running) {
        uint64_t target = stateAt(now);
        const uint64_t most =
            m_chip->states() + statesIn(std::chrono::nanoseconds(kMaxCatchUp), m_options.clockHz);
        if (target > most) {
            m_stateOrigin = most;
            m_timeOrigin = now;
            target = most;
        }
        runTo(target);
    }
    m_line.idle(now);
}

void VirtualBoard::runTo(uint64_t limit)
{
    const sim::StopReason reason = m_chip->run(limit);
    QString stopped;
    if (reason != sim::StopReason::None) {
        // What the program handed the channel before it stopped still reaches the host.
        m_chip->drainSerial();
        stopped = "program stopped: " + QString::fromStdString(m_chip->cpu().stopMessage());
        m_running = false;
        m_line.setProgramRunning(false);
    }
    deliver();
    if (!stopped.isEmpty())
        emit programStopped(stopped);
}

void VirtualBoard::deliver()
{
    std::vector<Change> changes = m_changes;
    m_changes.clear();
    for (auto &latest : m_latest) {
        if (latest)
            changes.push_back(*std::exchange(latest, std::nullopt));
    }
    const QByteArray sent = std::exchange(m_sent, {});
    m_sent.reserve(256);
    for (const Change &c : changes)
        emit portChanged(c.port, c.value, c.states);
    if (!sent.isEmpty())
        emit serialOutput(sent);
}

} // namespace vesk::board
