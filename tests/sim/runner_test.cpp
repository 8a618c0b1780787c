#include "sim/runner.h"

#include "support/rowname.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using vesk::sim::FaultKind;
using vesk::sim::Memory;
using vesk::sim::RunOptions;
using vesk::sim::StopReason;

namespace {

// The options in one line, so that a row states all of them at once.
std::string describe(const RunOptions &o)
{
    std::string text = "image=" + o.image;
    char hex[16];
    if (o.rom)
        text += " rom";
    if (o.load) {
        std::snprintf(hex, sizeof hex, "%06X", *o.load);
        text += std::string(" load=") + hex;
    }
    if (o.start) {
        std::snprintf(hex, sizeof hex, "%06X", *o.start);
        text += std::string(" start=") + hex;
    }
    if (o.ports)
        text += " ports";
    if (o.poison)
        text += " poison";
    if (o.strict)
        text += " strict";
    if (o.trace)
        text += " trace=" + (o.traceFile.empty() ? std::string("stderr") : o.traceFile);
    if (o.maxStates)
        text += " max=" + std::to_string(*o.maxStates);
    if (o.help)
        text += " help";
    return text;
}

struct ParseRow
{
    const char *name;
    std::vector<std::string> args;
    std::string options; // describe() of the result, or the error text
};

class ParseRunOptions : public testing::TestWithParam<ParseRow>
{
};

TEST_P(ParseRunOptions, GivesOptionsOrError)
{
    const ParseRow &row = GetParam();
    RunOptions options;
    const std::string error = vesk::sim::parseRunOptions(row.args, options);
    EXPECT_EQ(error.empty() ? describe(options) : error, row.options);
}

INSTANTIATE_TEST_SUITE_P(
    Runner, ParseRunOptions,
    testing::Values(
        ParseRow{"ImageAlone", {"blink.bin"}, "image=blink.bin"},
        ParseRow{"EveryFlag",
                 {"a.bin", "--rom", "--ports", "--poison", "--strict", "--max-states", "1000"},
                 "image=a.bin rom ports poison strict max=1000"},
        ParseRow{"LoadAndStartInHex",
                 {"a.bin", "--load", "ffe000", "--start", "0xFFE010"},
                 "image=a.bin load=FFE000 start=FFE010"},
        ParseRow{"AddressOverSixDigits",
                 {"a.bin", "--load", "1000000"},
                 "--load needs a hexadecimal address of at most 6 digits"},
        ParseRow{"AddressNotHex",
                 {"a.bin", "--start", "12g4"},
                 "--start needs a hexadecimal address of at most 6 digits"},
        ParseRow{"AddressMissing",
                 {"a.bin", "--start"},
                 "--start needs a hexadecimal address of at most 6 digits"},
        ParseRow{"MaxStatesNotANumber",
                 {"a.bin", "--max-states", "10k"},
                 "--max-states needs a positive decimal number"},
        ParseRow{
            "TraceAfterImageTakesFile", {"a.bin", "--trace", "t.txt"}, "image=a.bin trace=t.txt"},
        ParseRow{"TraceBeforeImageGoesToStderr", {"--trace", "a.bin"}, "image=a.bin trace=stderr"},
        ParseRow{"TraceFollowedByOption",
                 {"a.bin", "--trace", "--ports"},
                 "image=a.bin ports trace=stderr"},
        ParseRow{"TraceWithEquals", {"--trace=t.txt", "a.bin"}, "image=a.bin trace=t.txt"},
        ParseRow{"UnknownOption", {"a.bin", "--fast"}, "unknown option --fast"},
        ParseRow{"TwoImages", {"a.bin", "b.bin"}, "more than one image: b.bin"},
        ParseRow{"NoImage", {"--rom"}, "no image given"},
        ParseRow{"HelpNeedsNoImage", {"--help"}, "image= help"}),
    vesk::test::RowName());

struct LoadRow
{
    const char *name;
    std::vector<std::string> args;
    size_t size;          // image bytes: 00 00 01 00 then counting up
    std::string expected; // "load=ADDR pc=ADDR sp=ADDR|none", or the error
};

class LoadForRun : public testing::TestWithParam<LoadRow>
{
};

TEST_P(LoadForRun, PlacesImageAndFindsStart)
{
    const LoadRow &row = GetParam();
    RunOptions options;
    ASSERT_EQ(vesk::sim::parseRunOptions(row.args, options), "");
    std::vector<uint8_t> image(row.size);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i < 4 ? (i == 2 ? 1 : 0) : i);
    Memory memory;
    std::string error;
    const auto start = vesk::sim::loadForRun(memory, options, image, error);
    if (!start) {
        EXPECT_EQ(error, row.expected);
        return;
    }
    // The image's last byte shows where it went.
    uint32_t load = options.load.value_or(options.rom ? 0 : 0xffdf10);
    EXPECT_EQ(memory.peek8(load + static_cast<uint32_t>(row.size) - 1),
              static_cast<uint8_t>(row.size - 1));
    char text[64];
    std::snprintf(text, sizeof text, "load=%06X pc=%06X", load, start->pc);
    std::string got = text;
    if (start->sp) {
        std::snprintf(text, sizeof text, " sp=%06X", *start->sp);
        got += text;
    } else {
        got += " sp=none";
    }
    EXPECT_EQ(got, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Runner, LoadForRun,
    testing::Values(
        LoadRow{
            "RamImageStartsWhereTheLoaderPutsIt", {"a.bin"}, 64, "load=FFDF10 pc=FFDF10 sp=FFFF10"},
        LoadRow{"RamImageAtAnotherAddress",
                {"a.bin", "--load", "ffe000"},
                64,
                "load=FFE000 pc=FFE000 sp=FFFF10"},
        LoadRow{"RamImageStartedElsewhere",
                {"a.bin", "--start", "ffdf50"},
                64,
                "load=FFDF10 pc=FFDF50 sp=FFFF10"},
        LoadRow{"RomImageStartsAtResetVector",
                {"a.bin", "--rom"},
                0x300,
                "load=000000 pc=000100 sp=none"},
        LoadRow{"RomImageStartOverridesVector",
                {"a.bin", "--rom", "--start", "200"},
                0x300,
                "load=000000 pc=000200 sp=none"},
        LoadRow{"WholeRamFits", {"a.bin"}, 0x2000, "load=FFDF10 pc=FFDF10 sp=FFFF10"},
        LoadRow{
            "RamImageTooBig", {"a.bin"}, 0x2002, "an image of 8194 bytes does not fit at FFDF10"},
        LoadRow{"LoadInIoArea",
                {"a.bin", "--load", "ffff20"},
                4,
                "an image of 4 bytes does not fit at FFFF20"}),
    vesk::test::RowName());

struct ExitRow
{
    const char *name;
    StopReason reason;
    FaultKind fault;
    int code;
};

class ExitCode : public testing::TestWithParam<ExitRow>
{
};

TEST_P(ExitCode, TellsHowTheRunEnded)
{
    const ExitRow &row = GetParam();
    EXPECT_EQ(vesk::sim::exitCodeFor(row.reason, row.fault), row.code);
}

INSTANTIATE_TEST_SUITE_P(
    Runner, ExitCode,
    testing::Values(ExitRow{"IdleLoop", StopReason::Idle, FaultKind::None, 0},
                    ExitRow{"SleepForever", StopReason::Sleep, FaultKind::None, 0},
                    ExitRow{"StateLimit", StopReason::None, FaultKind::None, 2},
                    ExitRow{"UndefinedInstruction", StopReason::Undefined, FaultKind::None, 3},
                    ExitRow{"Movfpe", StopReason::Unsupported, FaultKind::None, 3},
                    ExitRow{"Unmapped", StopReason::Fault, FaultKind::Unmapped, 3},
                    ExitRow{"OddAddress", StopReason::Fault, FaultKind::OddAddress, 3},
                    ExitRow{"PoisonedRead", StopReason::Fault, FaultKind::PoisonedRead, 4}),
    vesk::test::RowName());

} // namespace
