// vesk-sim: runs an H8/300H image on the board's chip without the board. What the program
// sends on either serial channel appears on standard output, standard input feeds the
// receivers, and the exit status tells how the run ended (runner.h).

#include "platform/commandline.h"
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

constexpr vesk::cli::Option kOptions[] = {
    {"--rom", "", "load at 0 and start from the reset vector"},
    {"--load", "HEX", "load the image at HEX instead"},
    {"--start", "HEX", "start at HEX instead"},
    {"--ports", "", "print \"STATES PORT HEX\" at each change of a port's register"},
    {"--poison", "", "stop at the first read of RAM never written (exit 4)"},
    {"--strict", "", "stop at a word or longword access to an odd address"},
    {"--trace", "[FILE]", "list each instruction on standard error (in FILE after IMAGE)"},
    {"--trace=FILE", "", "list each instruction in FILE"},
    {"--max-states", "N", "stop after N states (exit 2)"},
};

constexpr vesk::cli::Program kProgram = {
    .name = "vesk-sim",
    .synopsis = "[OPTION]... IMAGE",
    .description =
        "Runs an H8/300H image on the simulated chip of the board, at 20 MHz in simulated\n"
        "time, unthrottled. A RAM image is loaded and started at FFDF10 as the board's\n"
        "loader does (stack at FFFF10, serial channel 1 on at 9600 baud). Bytes sent on\n"
        "serial channel 0 or 1 go to standard output; standard input feeds their\n"
        "receivers.",
    .options = kOptions,
    .epilogue = "Exit status: 0 at an idle loop or a SLEEP nothing can wake, 2 at --max-states\n"
                "or on a usage error, 3 at an undefined instruction or a bad access, 4 at a\n"
                "read of RAM never written with --poison, 1 when the image cannot be read.",
};

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
    if (const auto answered = vesk::cli::answerHelpOrVersion(argc, argv, kProgram))
        return *answered;
    RunOptions options;
    const std::string error =
        parseRunOptions(std::vector<std::string>(argv + 1, argv + argc), options);
    if (options.help) {
        std::fputs(vesk::cli::helpText(kProgram).c_str(), stdout);
        return 0;
    }
    if (!error.empty())
        return vesk::cli::usageError(kProgram, error);

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
