#pragma once

#include "support/tempdrive.h"
#include "ui/form1.h"

#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace vesk::test {

// Form1 with its message boxes and beeps recorded instead of shown.
class RecordingForm : public Form1
{
public:
    using Form1::Form1;
    void showMessage(const QString &text) override
    {
        messages << text;
        if (onMessage)
            onMessage(text);
    }
    void beep() override { ++beeps; }

    QStringList messages;
    int beeps = 0;
    std::function<void(const QString &)> onMessage;
};

// A temporary C: drive whose directory WORK is the start-up directory, a workspace by its
// templates unless a test clears `templates` before it starts.
class FormTest : public testing::Test
{
protected:
    FormTest() { drive.mkdir("WORK"); }

    // Starts the window in C:\WORK, with H8C.ini holding `ini` unless it is null.
    bool start(const char *ini = nullptr)
    {
        if (ini)
            drive.write("WORK/H8C.ini", ini);
        if (templates) {
            drive.write("WORK/RESETV_RAM.MAR", kTemplate);
            drive.write("WORK/RESETV_ROM.MAR", kTemplate);
        }
        fs.emplace(drive.fs("WORK"));
        form = std::make_unique<RecordingForm>(*fs);
        return form->startUp();
    }
    QByteArray settingsFile() const { return drive.read("WORK/H8C.ini"); }

    static constexpr char kTemplate[] = "\t.h8300h\n";

    TempDrive drive;
    bool templates = true;
    std::optional<DosFs> fs;
    std::unique_ptr<RecordingForm> form;
};

// The settings file written after an unchanged run started in C:\WORK without one.
inline constexpr char kDefaultSettings[] =
    "C:\\WORK\\\r\nFFDF50\r\nC:\\WORK\\\r\nFFDF50\r\n200\r\n";

} // namespace vesk::test
