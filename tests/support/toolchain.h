#pragma once

// For tests that build programs with the bundled toolchain: whether it can be used here, and a
// workspace laid out by the build tree's vesk-workspace.

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

namespace vesk::test {

// Why the bundled toolchain cannot be used (its programs are not built in the build tree, or
// the cross tools are not installed), or empty when it can.
QString toolchainMissing();

// Lays out a workspace in `dir` with the build tree's vesk-workspace: empty on success, else
// what went wrong.
std::string makeWorkspace(const QString &dir);

// A test in a fresh workspace of its own in m_dir, skipped where the toolchain cannot be used;
// m_build is the build tree, whose bin/ holds vesk-build, vesk-sim and vesk-board.
class WorkspaceTest : public testing::Test
{
protected:
    void SetUp() override;

    QString m_build;
    QTemporaryDir m_dir;
};

} // namespace vesk::test
