#include "support/recordingwindow.h"
#include "support/rowname.h"
#include "ui/form2.h"
#include "ui/signalcloser.h"
#include "uitest.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace vesk;
using namespace vesk::test;

namespace {

QTreeWidgetItem *dirEntry(DirList *list, const QString &text)
{
    const auto found = list->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

// Highlights an entry of the directory list and opens it with Enter.
void openEntry(DirList *list, const QString &text)
{
    QTreeWidgetItem *item = dirEntry(list, text);
    ASSERT_TRUE(item) << text.toStdString();
    list->setCurrentItem(item);
    QTest::keyClick(list, Qt::Key_Return);
}

// The dialog on its own, over a state of our choosing, in C:\WORK.
class DialogTest : public testing::Test
{
protected:
    DialogTest()
    {
        drive.mkdir("WORK");
        drive.mkdir("H8/lib");
        state.StartDir = "C:\\WORK";
        state.WorkDir = state.BinDir = "C:\\WORK\\";
    }
    std::unique_ptr<Form2> open()
    {
        fs.emplace(drive.fs("WORK"));
        return std::make_unique<Form2>(state, *fs, window);
    }

    TempDrive drive;
    std::optional<DosFs> fs;
    MainState state;
    RecordingWindow window;
};

} // namespace

// --- the offset blocks ---------------------------------------------------------------------

struct StepCase
{
    const char *name;
    qint32 ram;
    qint32 rom;
    const char *presses; // r/R: RAM "－"/"＋", o/O: ROM "－"/"＋", d/D: RAM/ROM default
    const char *shownRam;
    const char *shownRom;
};

class OffsetStep : public DialogTest, public testing::WithParamInterface<StepCase>
{
};

TEST_P(OffsetStep, ShowsTheWorkingCopies)
{
    const StepCase &c = GetParam();
    state.RamOfs = c.ram;
    state.RomOfs = c.rom;
    auto dialog = open();
    for (const char *p = c.presses; *p; ++p) {
        switch (*p) {
        case 'R':
            dialog->Command1[0]->click();
            break;
        case 'r':
            dialog->Command1[1]->click();
            break;
        case 'O':
            dialog->Command4[0]->click();
            break;
        case 'o':
            dialog->Command4[1]->click();
            break;
        case 'd':
            dialog->Command5[0]->click();
            break;
        case 'D':
            dialog->Command5[1]->click();
            break;
        }
    }
    EXPECT_EQ(dialog->Label1->text(), c.shownRam);
    EXPECT_EQ(dialog->Label3->text(), c.shownRom);
    // Copies only: nothing reaches the main window before OK.
    EXPECT_EQ(state.RamOfs, c.ram);
    EXPECT_EQ(state.RomOfs, c.rom);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OffsetStep,
    testing::Values(StepCase{"OpensOnTheValues", 0xFFDF50, 0x200, "", "FFDF50", "200"},
                    StepCase{"RamOneDown", 0xFFDF50, 0x200, "r", "FFDF40", "200"},
                    StepCase{"RamStopsAtFFDF30", 0xFFDF50, 0x200, "rrr", "FFDF30", "200"},
                    StepCase{"RomEightDownReach180", 0xFFDF50, 0x200, "oooooooo", "FFDF50", "180"},
                    StepCase{"RomStaysAt180", 0xFFDF50, 0x200, "oooooooooo", "FFDF50", "180"},
                    StepCase{"RomUpFrom180", 0xFFDF50, 0x180, "O", "FFDF50", "190"},
                    StepCase{"RamBelowBoundJumpsOnPlus", 0, 0x200, "R", "FFDF30", "200"},
                    StepCase{"RamDefaultLeavesRom", 0x123, 0x300, "d", "FFDF50", "300"},
                    StepCase{"RomDefaultLeavesRam", 0x123, 0x300, "D", "123", "200"},
                    StepCase{"TopOfRangeDoesNotWrap", 0x7FFFFFF8, 0x7FFFFFF0, "RRO", "7FFFFFFF",
                             "7FFFFFFF"},
                    StepCase{"BottomOfRangeGoesToTheBound", qint32(0x80000005), qint32(0x80000000),
                             "ro", "FFDF30", "180"}),
    vesk::test::RowName());

// --- the directory and the way out ---------------------------------------------------------

struct CloseCase
{
    const char *name;
    const char *open; // entries opened in Dir1, '|' separated
    const char *how;  // "ok", "cancel", "closebox", "escape"
    const char *binDir;
};

class DialogClose : public DialogTest, public testing::WithParamInterface<CloseCase>
{
};

TEST_P(DialogClose, StoresOnlyOnOk)
{
    const CloseCase &c = GetParam();
    auto dialog = open();
    dialog->show();
    EXPECT_EQ(dialog->Label2->text(), "C:\\WORK");
    for (const QString &entry : QString(c.open).split('|', Qt::SkipEmptyParts))
        openEntry(dialog->Dir1, entry);
    // Label2 follows the open directory, which is also the highlighted entry once opened.
    EXPECT_EQ(dialog->Label2->text(), dialog->Dir1->path());
    dialog->Command1[1]->click();
    dialog->Command4[0]->click();

    const std::string how = c.how;
    if (how == "ok")
        dialog->Command2->click();
    else if (how == "cancel")
        dialog->Command3->click();
    else if (how == "closebox")
        dialog->close();
    else
        QTest::keyClick(dialog.get(), Qt::Key_Escape);

    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(state.BinDir, c.binDir);
    EXPECT_EQ(state.RamOfs, how == "ok" ? 0xFFDF40 : 0xFFDF50);
    EXPECT_EQ(state.RomOfs, how == "ok" ? 0x210 : 0x200);
    EXPECT_FALSE(drive.exists("WORK/H8C.ini"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DialogClose,
    testing::Values(CloseCase{"OkAppendsBackslash", "c:\\|H8", "ok", "C:\\H8\\"},
                    CloseCase{"OkOnRootKeepsIt", "c:\\", "ok", "C:\\"},
                    CloseCase{"OkOnDeeperDirectory", "c:\\|H8|lib", "ok", "C:\\H8\\lib\\"},
                    CloseCase{"CancelStoresNothing", "c:\\|H8", "cancel", "C:\\WORK\\"},
                    CloseCase{"CloseBoxStoresNothing", "c:\\|H8", "closebox", "C:\\WORK\\"},
                    CloseCase{"EscapeStoresNothing", "c:\\|H8", "escape", "C:\\WORK\\"}),
    vesk::test::RowName());

struct HighlightCase
{
    const char *name;
    const char *open;      // entries opened in Dir1, '|' separated
    const char *highlight; // the entry then clicked once; null: the highlight taken away
    const char *shown;     // Label2
    const char *binDir;
};

class HighlightedFolder : public DialogTest, public testing::WithParamInterface<HighlightCase>
{
};

// A single click highlights a folder without opening it; OK still takes that folder.
TEST_P(HighlightedFolder, IsTheOneOkStores)
{
    const HighlightCase &c = GetParam();
    auto dialog = open();
    dialog->show();
    for (const QString &entry : QString(c.open).split('|', Qt::SkipEmptyParts))
        openEntry(dialog->Dir1, entry);
    const QString opened = dialog->Dir1->path();
    if (c.highlight) {
        QTreeWidgetItem *item = dirEntry(dialog->Dir1, c.highlight);
        ASSERT_TRUE(item) << c.highlight;
        QTest::mouseClick(dialog->Dir1->viewport(), Qt::LeftButton, {},
                          dialog->Dir1->visualItemRect(item).center());
        ASSERT_EQ(dialog->Dir1->currentItem(), item);
    } else {
        dialog->Dir1->clearSelection();
    }
    EXPECT_EQ(dialog->Dir1->path(), opened) << "a click must not open the folder";
    EXPECT_EQ(dialog->Label2->text(), c.shown);

    dialog->Command2->click();
    EXPECT_EQ(state.BinDir, c.binDir);
    EXPECT_EQ(window.beeps, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HighlightedFolder,
    testing::Values(
        HighlightCase{"SubfolderOfTheOpenOne", "c:\\", "H8", "C:\\H8", "C:\\H8\\"},
        HighlightCase{"DeeperSubfolder", "c:\\|H8", "lib", "C:\\H8\\lib", "C:\\H8\\lib\\"},
        HighlightCase{"AncestorOfTheOpenOne", "c:\\|H8|lib", "H8", "C:\\H8", "C:\\H8\\"},
        HighlightCase{"RootIsKeptAsIs", "c:\\|H8", "c:\\", "C:\\", "C:\\"},
        HighlightCase{"NoHighlightTakesTheOpenOne", "c:\\|H8", nullptr, "C:\\H8", "C:\\H8\\"}),
    vesk::test::RowName());

struct GoneCase
{
    const char *name;
    const char *binDir;
    const char *shown;
};

class DialogOnMissingBinDir : public DialogTest, public testing::WithParamInterface<GoneCase>
{
};

TEST_P(DialogOnMissingBinDir, OpensOnTheNearestDirectory)
{
    state.BinDir = GetParam().binDir;
    auto dialog = open();
    EXPECT_EQ(dialog->Dir1->path(), GetParam().shown);
    EXPECT_EQ(dialog->Label2->text(), GetParam().shown);
    EXPECT_EQ(window.beeps, 0);
    EXPECT_TRUE(window.messages.isEmpty());
    dialog->Command3->click();
    EXPECT_EQ(state.BinDir, GetParam().binDir);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DialogOnMissingBinDir,
    testing::Values(GoneCase{"ExistingIsOpened", "c:\\h8\\LIB\\", "C:\\H8\\lib"},
                    GoneCase{"GoneDirectoryGivesItsParent", "C:\\H8\\gone\\deeper\\", "C:\\H8"},
                    GoneCase{"GoneDriveGivesTheCurrentDirectory", "Q:\\H8\\", "C:\\WORK"},
                    GoneCase{"BackslashAloneIsTheCurrentDrivesRoot", "\\", "C:\\"}),
    vesk::test::RowName());

TEST_F(DialogTest, DriveThatCannotBeOpenedIsRefusedWithABeep)
{
    auto other = std::make_unique<QTemporaryDir>();
    QFile::link(other->path(), drive.dosDevices() + "/d:");
    auto dialog = open();
    const int d = dialog->Drive1->findText("d:");
    ASSERT_GE(d, 0);
    other.reset();
    dialog->Drive1->setCurrentIndex(d);
    emit dialog->Drive1->activated(d);
    EXPECT_EQ(window.beeps, 1);
    EXPECT_EQ(dialog->Drive1->currentText(), "c:");
    EXPECT_EQ(dialog->Label2->text(), "C:\\WORK");
}

// --- through the main window ---------------------------------------------------------------

class SettingsButton : public FormTest
{
protected:
    // Presses 設定 and lets `act` work the dialog while it is open.
    void withDialog(const std::function<void(Form2 *)> &act)
    {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = form->findChild<Form2 *>();
            ASSERT_TRUE(dialog);
            ASSERT_EQ(QApplication::activeModalWidget(), dialog);
            opened = true;
            act(dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        form->Command1->click();
        EXPECT_TRUE(opened);
        EXPECT_FALSE(form->findChild<Form2 *>()); // gone once closed
    }
};

TEST_F(SettingsButton, OkOnRomOffsetUpdatesTheOffsetInForceButNotTheFile)
{
    drive.mkdir("H8");
    ASSERT_TRUE(start("C:\\WORK\\\r\n200\r\nC:\\H8\\\r\nFFDF50\r\n200\r\n"));
    const QByteArray before = settingsFile();
    form->show();
    ASSERT_TRUE(form->Check1->isChecked());
    withDialog([](Form2 *dialog) {
        for (int i = 0; i < 16; ++i)
            dialog->Command4[0]->click();
        dialog->Command2->click();
    });
    EXPECT_EQ(form->state().RomOfs, 0x300);
    EXPECT_EQ(form->state().MainOfs, 0x300);
    EXPECT_EQ(form->Label2->text(), "ofset=300");
    EXPECT_EQ(settingsFile(), before);
}

TEST_F(SettingsButton, CancelRewritesTheLabelFromUnchangedValues)
{
    drive.mkdir("H8");
    ASSERT_TRUE(start());
    form->show();
    form->state().RamOfs = 0xFFDF60; // the label still reads FFDF50 until the rule runs
    withDialog([](Form2 *dialog) {
        dialog->Command1[0]->click();
        openEntry(dialog->Dir1, "c:\\");
        dialog->Command3->click();
    });
    EXPECT_EQ(form->state().RamOfs, 0xFFDF60);
    EXPECT_EQ(form->state().RomOfs, 0x200);
    EXPECT_EQ(form->state().BinDir, "C:\\WORK\\");
    EXPECT_EQ(form->Label2->text(), "ofset=FFDF60");
}

TEST_F(SettingsButton, ChosenBinDirReachesTheFileAtShutdown)
{
    drive.mkdir("H8");
    ASSERT_TRUE(start());
    form->show();
    withDialog([](Form2 *dialog) {
        openEntry(dialog->Dir1, "c:\\");
        openEntry(dialog->Dir1, "H8");
        dialog->Command2->click();
    });
    form->close();
    EXPECT_EQ(settingsFile(), "C:\\WORK\\\r\nFFDF50\r\nC:\\H8\\\r\nFFDF50\r\n200\r\n");
}

// A signal while the dialog is open closes both, and the settings are still written.
TEST_F(SettingsButton, SignalClosesTheDialogThenTheWindow)
{
    ASSERT_TRUE(start());
    form->show();
    withDialog([this](Form2 *) { closeFromSignal(form.get()); });
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(settingsFile(), kDefaultSettings);
}

// Run by hand under xvfb-run with VESK_UI_SCREENSHOT=/path/to.png and QT_QPA_PLATFORM=xcb;
// the dialog goes beside it as "-form2.png".
TEST_F(DialogTest, Screenshot)
{
    QString target = qEnvironmentVariable("VESK_UI_SCREENSHOT");
    if (target.isEmpty())
        GTEST_SKIP() << "VESK_UI_SCREENSHOT not set";
    target.replace(QRegularExpression("\\.png$"), "-form2.png");
    state.BinDir = "C:\\H8\\";
    auto dialog = open();
    dialog->move(0, 0);
    dialog->show();
    for (int i = 0; i < 20; ++i)
        window.processEvents(20);
    EXPECT_TRUE(dialog->grab().save(target));
}
