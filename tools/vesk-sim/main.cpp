// vesk-sim: runs an H8/300H image on the board's chip without the board. What the program
// sends on either serial channel appears on standard output, standard input feeds the
// receivers, and the exit status tells how the run ended (runner.h).

#include "sim/chip.h"
#include "sim/runner.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vesk::sim;

namespace {

// One byte of standard input if one is there now; the run never waits for the user.
int receiveFromStdin()
{
    static bool ended = false;
    if (ended)
        return Sci::kInputEnded;
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0)
        return Sci::kNothingYet;
    if (p.revents & POLLNVAL) {
        ended = true;
        return Sci::kInputEnded;
    }
    unsigned char byte = 0;
    const ssize_t n = read(STDIN_FILENO, &byte, 1);
    if (n == 1)
        return byte;
    if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        ended = true; // end of input: nothing more arrives
        return Sci::kInputEnded;
    }
    return Sci::kNothingYet;
}

bool readImage(const std::string &path, std::vector<uint8_t> &bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

int main(int argc, char **argv)
{
    RunOptions options;
    const std::string error =
        parseRunOptions(std::vector<std::string>(argv + 1, argv + argc), options);
    if (options.help) {
        std::fputs(runUsage(), stdout);
        return 0;
    }
    if (!error.empty()) {
        std::fprintf(stderr, "vesk-sim: %s\n%s", error.c_str(), runUsage());
        return kExitUsage;
    }

    std::vector<uint8_t> image;
    if (!readImage(options.image, image)) {
        std::fprintf(stderr, "vesk-sim: cannot read %s: %s\n", options.image.c_str(),
                     std::strerror(errno));
        return kExitUsage;
    }

    Chip chip(Memory::Options{.strict = options.strict, .poison = options.poison});
    if (!chip.mapped()) {
        std::fputs("vesk-sim: the I/O map overlaps itself\n", stderr);
        return kExitBadProgram;
    }
    std::string loadError;
    const auto start = loadForRun(chip.memory(), options, image, loadError);
    if (!start) {
        std::fprintf(stderr, "vesk-sim: %s: %s\n", options.image.c_str(), loadError.c_str());
        return kExitUsage;
    }
    chip.start(*start);
    // The loader took the image in on channel 1 and leaves the channel set up.
    if (!options.rom)
        chip.setUpLoaderChannel(Chip::kDefaultClockHz);
    Cpu &cpu = chip.cpu();
    ChipIo &io = chip.io();

    // A terminal shows each byte as it is sent; a pipe or file gets them in blocks.
    const bool flushEach = isatty(STDOUT_FILENO) != 0;
    for (Sci *sci : {&io.sci0, &io.sci1}) {
        sci->setTransmit([flushEach](uint8_t byte) {
            std::putchar(byte);
            if (flushEach)
                std::fflush(stdout);
        });
        sci->setReceive(receiveFromStdin);
    }
    if (options.ports) {
        io.ports.setChangeHandler([&cpu, flushEach](int port, uint8_t value) {
            std::printf("%llu %s %02X\n", static_cast<unsigned long long>(cpu.states()),
                        Ports::name(port).data(), value);
            if (flushEach)
                std::fflush(stdout);
        });
    }

    FILE *trace = nullptr;
    if (options.trace) {
        trace = options.traceFile.empty() ? stderr : std::fopen(options.traceFile.c_str(), "w");
        if (trace == nullptr) {
            std::fprintf(stderr, "vesk-sim: cannot write %s: %s\n", options.traceFile.c_str(),
                         std::strerror(errno));
            return kExitUsage;
        }
        cpu.setTrace([trace](uint32_t address, const Decoded &insn) {
            std::fprintf(trace, "%06x:\t%s\n", address, disassemble(insn, address).c_str());
        });
    }

    const StopReason reason =
        chip.run(options.maxStates.value_or(std::numeric_limits<uint64_t>::max()));
    if (reason != StopReason::None)
        chip.drainSerial();
    std::fflush(stdout);
    if (trace != nullptr && trace != stderr)
        std::fclose(trace);

    const int code = exitCodeFor(reason, chip.memory().fault().kind);
    if (reason == StopReason::None) {
        std::fprintf(stderr, "vesk-sim: state limit %llu reached at %06X\n",
                     static_cast<unsigned long long>(cpu.states()), cpu.regs().pc);
    } else if (code != kExitIdle) {
        std::fprintf(stderr, "vesk-sim: %s\n", cpu.stopMessage().c_str());
    }
    return code;
}
