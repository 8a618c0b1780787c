#include "support/toolchain.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace vesk::test {

QString toolchainMissing()
{
    const QString build = qEnvironmentVariable("VESK_BINARY_DIR");
    if (!QFile::exists(build + "/toolchain/cc38h.exe") ||
        QStandardPaths::findExecutable("h8300-hms-gcc").isEmpty())
        return "the bundled toolchain is not built or the cross tools are missing";
    return {};
}

std::string makeWorkspace(const QString &dir)
{
    QProcess setup;
    setup.start(qEnvironmentVariable("VESK_BINARY_DIR") + "/bin/vesk-workspace", {dir});
    if (!setup.waitForFinished(60000))
        return "vesk-workspace did not finish: " + setup.errorString().toStdString();
    if (setup.exitStatus() != QProcess::NormalExit || setup.exitCode() != 0)
        return "vesk-workspace failed: " + setup.readAllStandardError().toStdString();
    return {};
}

void WorkspaceTest::SetUp()
{
    m_build = qEnvironmentVariable("VESK_BINARY_DIR");
    if (const QString why = toolchainMissing(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    ASSERT_TRUE(m_dir.isValid());
    ASSERT_EQ(makeWorkspace(m_dir.path()), "");
}

} // namespace vesk::test
