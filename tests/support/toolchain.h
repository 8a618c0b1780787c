#pragma once

// For tests that build programs with the bundled toolchain: whether it can be used here, and a
// workspace laid out by the build tree's vesk-workspace.

#include <QString>

#include <string>

namespace vesk::test {

// Why the bundled toolchain cannot be used (its programs are not built in the build tree, or
// the cross tools are not installed), or empty when it can.
QString toolchainMissing();

// Lays out a workspace in `dir` with the build tree's vesk-workspace: empty on success, else
// what went wrong.
std::string makeWorkspace(const QString &dir);

} // namespace vesk::test
