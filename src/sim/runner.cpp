#include "sim/runner.h"

#include <charconv>
#include <cstdio>

namespace vesk::sim {

namespace {

constexpr uint32_t kLoaderStart = Memory::kRamFirst;
// The loader's own stack is at the top of RAM; the RAM start-up code sets the same again.
constexpr uint32_t kLoaderStack = Memory::kRamFirst + Memory::kRamSize;

bool parseHex(std::string_view text, uint32_t &value)
{
    if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 6)
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parseCount(std::string_view text, uint64_t &value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string parseRunOptions(const std::vector<std::string> &args, RunOptions &options)
{
    options = {};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        const bool hasNext = i + 1 < args.size();
        auto value = [&]() -> const std::string * { return hasNext ? &args[++i] : nullptr; };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--rom") {
            options.rom = true;
        } else if (arg == "--ports") {
            options.ports = true;
        } else if (arg == "--poison") {
            options.poison = true;
        } else if (arg == "--strict") {
            options.strict = true;
        } else if (arg == "--load" || arg == "--start") {
            const std::string *text = value();
            uint32_t address = 0;
            if (text == nullptr || !parseHex(*text, address))
                return arg + " needs a hexadecimal address of at most 6 digits";
            (arg == "--load" ? options.load : options.start) = address;
        } else if (arg == "--max-states") {
            const std::string *text = value();
            uint64_t count = 0;
            if (text == nullptr || !parseCount(*text, count) || count == 0)
                return "--max-states needs a positive decimal number";
            options.maxStates = count;
        } else if (arg == "--trace") {
            options.trace = true;
            if (!options.image.empty() && hasNext && !args[i + 1].starts_with("-"))
                options.traceFile = args[++i];
        } else if (arg.starts_with("--trace=")) {
            options.trace = true;
            options.traceFile = arg.substr(8);
            if (options.traceFile.empty())
                return "--trace= needs a file name";
        } else if (arg.starts_with("-") && arg != "-") {
            return "unknown option " + arg;
        } else if (options.image.empty()) {
            options.image = arg;
        } else {
            return "more than one image: " + arg;
        }
    }
    if (options.image.empty() && !options.help)
        return "no image given";
    return {};
}

std::optional<StartState> loadForRun(Memory &memory, const RunOptions &options,
                                     std::span<const uint8_t> image, std::string &error)
{
    const uint32_t load = options.load.value_or(options.rom ? Memory::kRomFirst : kLoaderStart);
    if (!memory.load(load, image)) {
        char text[96];
        std::snprintf(text, sizeof text, "an image of %zu bytes does not fit at %06X", image.size(),
                      load);
        error = text;
        return std::nullopt;
    }
    StartState state;
    if (options.rom) {
        // Advanced mode: the reset vector is the longword at 0, its top byte ignored.
        uint32_t vector = 0;
        for (uint32_t a = 0; a < 4; ++a)
            vector = vector << 8 | memory.peek8(a);
        state.pc = options.start.value_or(vector & Memory::kAddressMask);
    } else {
        state.pc = options.start.value_or(load);
        state.sp = kLoaderStack;
    }
    return state;
}

int exitCodeFor(StopReason reason, FaultKind fault)
{
    switch (reason) {
    case StopReason::Idle:
    case StopReason::Sleep:
        return kExitIdle;
    case StopReason::None:
        return kExitStateLimit;
    case StopReason::Fault:
        return fault == FaultKind::PoisonedRead ? kExitPoisoned : kExitBadProgram;
    case StopReason::Undefined:
    case StopReason::Unsupported:
        return kExitBadProgram;
    }
    return kExitBadProgram;
}

} // namespace vesk::sim
