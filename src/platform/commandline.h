#pragma once

// The command-line manners every program of Vesk shares: --help in the GNU layout that
// help2man reads, --version as "NAME VERSION", and exit status 2 with a usage line for a
// command line the program cannot take. Plain C++ without Qt, so that vesk-sim uses it too,
// and header-only, so that it needs no library of its own.

#include "vesk/version.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::cli {

constexpr int kUsageExit = 2;
constexpr std::string_view kVersion = VESK_VERSION;

struct Option
{
    std::string_view names;    // "--port", or several: "-h, --help"
    std::string_view argument; // "DEVICE"; "[FILE]" when it may be left out; empty for a switch
    std::string_view text;     // one line of --help
};

struct Program
{
    std::string_view name;
    std::string_view synopsis;    // the usage line after the name: "[OPTION]... IMAGE"
    std::string_view description; // lines of at most 79 columns, without the last newline
    std::span<const Option> options;
    std::string_view epilogue = {}; // after the options: exit status, notes
    // Qt's own options are taken with one dash or two ("-style", "--style").
    bool dashesAlike = false;
    // Only the first argument may be the program's option: vesk-cmd hands the rest, options
    // or not, to the batch file.
    bool firstArgumentOnly = false;
};

namespace detail {

// --help and --version are every program's; they come last in the list, as GNU tools have them.
constexpr Option kStandard[] = {
    {"-h, --help", "", "display this help and exit"},
    {"--version", "", "output version information and exit"},
};

inline bool takesValue(const Option &option)
{
    return !option.argument.empty() && option.argument.front() != '[';
}

// The names of `option` one at a time: "-h, --help" gives "-h" and "--help".
template <typename F> bool anyName(const Option &option, F matches)
{
    std::string_view rest = option.names;
    while (!rest.empty()) {
        const size_t comma = rest.find(", ");
        std::string_view name = rest.substr(0, comma);
        // A value written into the name ("-start=P(0ADDR)") is not part of it.
        name = name.substr(0, name.find('='));
        if (matches(name))
            return true;
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 2);
    }
    return false;
}

inline bool sameName(std::string_view given, std::string_view name, bool dashesAlike)
{
    if (given == name)
        return true;
    // "--platform" for "-platform": Qt strips the second dash itself.
    return dashesAlike && given.starts_with("--") && !name.starts_with("--") &&
           given.substr(1) == name;
}

inline const Option *find(const Program &program, std::string_view arg)
{
    const std::string_view name = arg.substr(0, arg.find('='));
    for (const std::span<const Option> list :
         {program.options, std::span<const Option>(kStandard)}) {
        for (const Option &option : list) {
            if (anyName(option,
                        [&](std::string_view n) { return sameName(name, n, program.dashesAlike); }))
                return &option;
        }
    }
    return nullptr;
}

inline bool isOption(std::string_view arg)
{
    return arg.size() > 1 && arg.front() == '-';
}

} // namespace detail

inline std::string usageLine(const Program &program)
{
    return "Usage: " + std::string(program.name) + ' ' + std::string(program.synopsis) + '\n';
}

inline std::string versionText(std::string_view name)
{
    return std::string(name) + ' ' + std::string(kVersion) + '\n';
}

// Usage line, description, the options with a line each, then the epilogue.
inline std::string helpText(const Program &program)
{
    std::vector<std::pair<std::string, std::string_view>> rows;
    for (const std::span<const Option> list :
         {program.options, std::span<const Option>(detail::kStandard)}) {
        for (const Option &option : list) {
            std::string left(option.names);
            if (!option.argument.empty())
                left += ' ' + std::string(option.argument);
            rows.emplace_back(std::move(left), option.text);
        }
    }
    // Descriptions start in one column; an option too long for it has its text on the next line.
    constexpr size_t kWidest = 24;
    size_t column = 0;
    for (const auto &row : rows)
        column = std::max(column, row.first.size() <= kWidest ? row.first.size() : 0);
    column += 4;

    std::string out = usageLine(program);
    out += std::string(program.description) + "\n\nOptions:\n";
    for (const auto &[left, text] : rows) {
        std::string line = "  " + left;
        if (line.size() + 2 > column)
            line += '\n' + std::string(column, ' ');
        else
            line.resize(column, ' ');
        out += line + std::string(text) + '\n';
    }
    if (!program.epilogue.empty())
        out += '\n' + std::string(program.epilogue) + '\n';
    return out;
}

// Answers --help (or -h) and --version where the program would read an option: not after
// "--", not as the value of an option that takes one, only first for `firstArgumentOnly`.
// Prints the answer on standard output and returns main's exit status; nullopt when neither
// was asked for. Call it before anything that needs a display or a file.
inline std::optional<int> answerHelpOrVersion(int argc, const char *const *argv,
                                              const Program &program)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--")
            break;
        if (arg == "--help" || arg == "-h") {
            std::fputs(helpText(program).c_str(), stdout);
            return 0;
        }
        if (arg == "--version") {
            std::fputs(versionText(program.name).c_str(), stdout);
            return 0;
        }
        if (program.firstArgumentOnly)
            break;
        const Option *option = detail::isOption(arg) ? detail::find(program, arg) : nullptr;
        if (option && detail::takesValue(*option) && arg.find('=') == std::string_view::npos)
            ++i;
    }
    return std::nullopt;
}

// Prints "NAME: PROBLEM" and the usage line on standard error; returns the exit status.
inline int usageError(const Program &program, std::string_view problem)
{
    const std::string text =
        std::string(program.name) + ": " + std::string(problem) + '\n' + usageLine(program);
    std::fputs(text.c_str(), stderr);
    return kUsageExit;
}

// For a program whose options need no values of their own: the arguments that are not its
// options ("--" ends the options), or the problem with the command line.
struct Arguments
{
    std::vector<std::string> operands;
    std::string problem; // empty when the command line is good
};

inline Arguments splitArguments(int argc, const char *const *argv, const Program &program)
{
    Arguments out;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !detail::isOption(arg)) {
            out.operands.emplace_back(arg);
            // The rest is the batch file's, whatever it looks like.
            optionsEnded = optionsEnded || program.firstArgumentOnly;
            continue;
        }
        const Option *option = detail::find(program, arg);
        if (!option) {
            out.problem = "unknown option " + std::string(arg);
            return out;
        }
        if (detail::takesValue(*option) && arg.find('=') == std::string_view::npos && ++i >= argc) {
            out.problem = "option " + std::string(arg) + " needs " + std::string(option->argument);
            return out;
        }
    }
    return out;
}

} // namespace vesk::cli
