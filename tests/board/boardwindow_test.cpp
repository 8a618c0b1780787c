// The board's window, read as a screen reader reads it: LEDs and switches are found by their
// accessible names and their states taken from the accessibility interfaces.

#include "boardwindow.h"
#include "support/rowname.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include <vector>

namespace {

QAccessibleInterface *findAccessible(QAccessibleInterface *node, const QString &name)
{
    if (!node)
        return nullptr;
    if (node->text(QAccessible::Name) == name)
        return node;
    for (int i = 0; i < node->childCount(); ++i) {
        if (QAccessibleInterface *found = findAccessible(node->child(i), name))
            return found;
    }
    return nullptr;
}

class WindowTest : public testing::Test
{
protected:
    WindowTest()
    {
        QObject::connect(&window, &BoardWindow::switchesChanged, [this](int port, quint8 levels) {
            emittedPorts.push_back(port);
            emitted.push_back(levels);
        });
        QObject::connect(&window, &BoardWindow::resetRequested, [this] { ++resets; });
        window.show();
    }

    QAccessibleInterface *accessible(const QString &name)
    {
        QAccessibleInterface *found =
            findAccessible(QAccessible::queryAccessibleInterface(&window), name);
        EXPECT_TRUE(found) << "nothing named " << name.toStdString() << " on the bus";
        return found;
    }
    // A port's LEDs as the bus describes them, bit 7 first: "10000001".
    std::string leds(const char *port)
    {
        std::string pattern;
        for (int bit = 7; bit >= 0; --bit) {
            QAccessibleInterface *led =
                accessible(QString::fromLatin1(port) + QString::number(bit));
            if (!led)
                return "missing";
            const QString state = led->text(QAccessible::Description);
            pattern += state == QStringLiteral("点灯")   ? '1'
                       : state == QStringLiteral("消灯") ? '0'
                                                         : '?';
        }
        return pattern;
    }
    QWidget *widget(const char *name) { return window.findChild<QWidget *>(QLatin1String(name)); }
    QString text() { return window.findChild<QPlainTextEdit *>()->toPlainText(); }

    BoardWindow window;
    std::vector<int> emittedPorts;
    std::vector<quint8> emitted;
    int resets = 0;
};

// --- LEDs -------------------------------------------------------------------------------------

struct PortCase
{
    const char *name;
    std::vector<std::pair<int, quint8>> writes; // showPort calls, in order
    const char *pa;
    const char *pb;
};

class ShowPort : public WindowTest, public testing::WithParamInterface<PortCase>
{
};

TEST_P(ShowPort, LightsTheBitsThatAreOne)
{
    const PortCase &c = GetParam();
    for (const auto &[port, value] : c.writes)
        window.showPort(port, value);
    EXPECT_EQ(leds("PA"), c.pa);
    EXPECT_EQ(leds("PB"), c.pb);
}

INSTANTIATE_TEST_SUITE_P(
    BoardWindow, ShowPort,
    testing::Values(
        PortCase{"AllDarkAtStart", {}, "00000000", "00000000"},
        PortCase{"PaShowsOnPa", {{9, 0x81}}, "10000001", "00000000"},
        PortCase{"PbShowsOnPb", {{10, 0x5a}}, "00000000", "01011010"},
        PortCase{"BitZeroIsPb0", {{10, 0x01}}, "00000000", "00000001"},
        PortCase{"LaterValueDarkensClearedBits", {{10, 0xff}, {10, 0x0f}}, "00000000", "00001111"},
        PortCase{
            "PortsKeepTheirOwnValues", {{9, 0xf0}, {10, 0x0f}, {9, 0x11}}, "00010001", "00001111"},
        PortCase{"OtherPortsAreNotShown",
                 {{0, 0xff}, {6, 0xff}, {7, 0xff}, {8, 0xff}},
                 "00000000",
                 "00000000"},
        PortCase{"NumbersOutsideThePortsAreIgnored",
                 {{-1, 0xff}, {11, 0xff}, {255, 0xff}},
                 "00000000",
                 "00000000"}),
    vesk::test::RowName());

// Bit 7 on the left, as on the board, for the LEDs, the switches and the numbers above them.
TEST_F(WindowTest, BitSevenIsOnTheLeft)
{
    for (const char *row : {"PA", "PB", "P7"}) {
        int lastX = -1;
        for (int bit = 7; bit >= 0; --bit) {
            QAccessibleInterface *a = accessible(QString::fromLatin1(row) + QString::number(bit));
            ASSERT_TRUE(a);
            const int x = a->rect().center().x();
            EXPECT_GT(x, lastX) << row << bit;
            lastX = x;
        }
    }
    const int pa0 = accessible("PA0")->rect().center().x();
    EXPECT_EQ(accessible("PB0")->rect().center().x(), pa0);
    EXPECT_EQ(accessible("P70")->rect().center().x(), pa0);
    EXPECT_LT(accessible("PA0")->rect().y(), accessible("PB0")->rect().y());
    EXPECT_LT(accessible("PB0")->rect().y(), accessible("P70")->rect().y());
}

// --- switches ---------------------------------------------------------------------------------

struct SwitchCase
{
    const char *name;
    std::vector<int> clicks; // bits clicked, in order
    std::vector<quint8> levels;
};

class Switches : public WindowTest, public testing::WithParamInterface<SwitchCase>
{
};

TEST_P(Switches, SayTheLevelsOfAllEightPins)
{
    const SwitchCase &c = GetParam();
    for (int bit : c.clicks) {
        auto *box = qobject_cast<QCheckBox *>(widget(qPrintable(QStringLiteral("P7%1").arg(bit))));
        ASSERT_TRUE(box) << bit;
        QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    }
    EXPECT_EQ(emitted, c.levels);
    EXPECT_EQ(emittedPorts, std::vector<int>(c.levels.size(), BoardWindow::kSwitchPort));
    const quint8 last = c.levels.empty() ? 0 : c.levels.back();
    EXPECT_EQ(window.switchLevels(), last);
    for (int bit = 0; bit < 8; ++bit) {
        QAccessibleInterface *a = accessible(QStringLiteral("P7%1").arg(bit));
        ASSERT_TRUE(a);
        EXPECT_EQ(bool(a->state().checked), bool((last >> bit) & 1)) << "P7" << bit;
    }
}

INSTANTIATE_TEST_SUITE_P(
    BoardWindow, Switches,
    testing::Values(SwitchCase{"NoneOnAtStart", {}, {}}, SwitchCase{"LeftmostIsBit7", {7}, {0x80}},
                    SwitchCase{"RightmostIsBit0", {0}, {0x01}},
                    SwitchCase{"EachClickReportsAllPins", {7, 0, 4}, {0x80, 0x81, 0x91}},
                    SwitchCase{"SecondClickTurnsOff", {3, 3}, {0x08, 0x00}},
                    SwitchCase{"AllOn",
                               {7, 6, 5, 4, 3, 2, 1, 0},
                               {0x80, 0xc0, 0xe0, 0xf0, 0xf8, 0xfc, 0xfe, 0xff}}),
    vesk::test::RowName());

// P7 in the simulator's numbering, the one showPort takes.
TEST(BoardWindowPorts, SwitchesAreOnP7)
{
    EXPECT_EQ(BoardWindow::kSwitchPort, 6);
}

// --- program output ---------------------------------------------------------------------------

struct TextCase
{
    const char *name;
    std::vector<QByteArray> chunks;
    const char *shown; // UTF-8
};

class AppendText : public WindowTest, public testing::WithParamInterface<TextCase>
{
};

TEST_P(AppendText, ShowsLinesAsTheProgramMeantThem)
{
    const TextCase &c = GetParam();
    for (const QByteArray &chunk : c.chunks)
        window.appendText(chunk);
    EXPECT_EQ(text().toStdString(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    BoardWindow, AppendText,
    testing::Values(
        TextCase{"LfEndsALine", {"ab\ncd"}, "ab\ncd"},
        TextCase{"CrLfIsOneLineEnd", {"ab\r\ncd\r\n"}, "ab\ncd\n"},
        TextCase{"CrLfSplitAcrossChunks", {"ab\r", "\ncd"}, "ab\ncd"},
        TextCase{"LoneCrEndsALine", {"ab\rcd"}, "ab\ncd"},
        TextCase{"LfCrIsTwoLineEnds", {"ab\n\rcd"}, "ab\n\ncd"},
        TextCase{"CrCrLfIsTwoLineEnds", {"a\r\r\nb"}, "a\n\nb"},
        TextCase{"LineGoesOnInTheNextChunk", {"ab", "cd\n", "e"}, "abcd\ne"},
        TextCase{"EmptyChunkChangesNothing", {"ab\r", "", "\n"}, "ab\n"},
        TextCase{"Utf8", {"\xe3\x81\x82\xf0\x9f\x98\x80"}, "\xe3\x81\x82\xf0\x9f\x98\x80"},
        TextCase{"Utf8SplitAcrossChunks", {"\xe3", "\x81", "\x82!"}, "\xe3\x81\x82!"},
        TextCase{"StrayBytesAreLatin1", {"5\xb5s \xe9t\xe9!"}, "5\xc2\xb5s \xc3\xa9t\xc3\xa9!"},
        TextCase{"LeadByteAtTheEndWaitsForTheNextChunk", {"a\xe9"}, "a"},
        TextCase{"WaitingLeadByteIsLatin1WhenNoSequenceFollows",
                 {"a\xe9", "b"},
                 "a\xc3\xa9"
                 "b"},
        TextCase{"BrokenSequenceIsLatin1", {"\xe3\x41"}, "\xc3\xa3\x41"},
        TextCase{"OverlongIsNotDecoded",
                 {"\xc0\xaf\xe0\x80\xaf"},
                 "\xc3\x80\xc2\xaf\xc3\xa0\xef\xbf\xbd\xc2\xaf"},
        TextCase{"SurrogateIsNotDecoded", {"\xed\xbf\xbf"}, "\xc3\xad\xc2\xbf\xc2\xbf"},
        TextCase{"ControlCharactersAreDropped",
                 {QByteArray("a\0b\x07\x08\x1b\x7f"
                             "c\td",
                             10)},
                 "abc\td"}),
    vesk::test::RowName());

// A chatty program keeps only the last lines, however it sends them.
TEST_F(WindowTest, KeepsTheLastLinesOnly)
{
    constexpr int kSent = BoardWindow::kMaxLines + 500;
    for (int n = 0; n < kSent; ++n)
        window.appendText(QByteArray("line ") + QByteArray::number(n) + "\r\n");
    auto *edit = window.findChild<QPlainTextEdit *>();
    EXPECT_EQ(edit->document()->blockCount(), BoardWindow::kMaxLines);
    // The line being written counts too: it is the empty one after the last CR LF.
    EXPECT_EQ(edit->document()->firstBlock().text().toStdString(),
              "line " + std::to_string(kSent - BoardWindow::kMaxLines + 1));
    EXPECT_EQ(edit->document()->lastBlock().previous().text().toStdString(),
              "line " + std::to_string(kSent - 1));
}

// New text scrolls into view, unless the user has scrolled back to read something.
TEST_F(WindowTest, FollowsTheEndUnlessScrolledBack)
{
    QScrollBar *bar = window.findChild<QPlainTextEdit *>()->verticalScrollBar();
    for (int n = 0; n < 100; ++n)
        window.appendText(QByteArray::number(n) + "\n");
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->setValue(10);
    window.appendText("more\n");
    EXPECT_EQ(bar->value(), 10);
    bar->setValue(bar->maximum());
    window.appendText("and more\n");
    EXPECT_EQ(bar->value(), bar->maximum());
}

// --- the rest ---------------------------------------------------------------------------------

TEST_F(WindowTest, ResetButtonAsksForAReset)
{
    QAccessibleInterface *reset = accessible(QStringLiteral("リセット"));
    ASSERT_TRUE(reset);
    EXPECT_EQ(reset->role(), QAccessible::Button);
    EXPECT_EQ(resets, 0);
    QTest::mouseClick(qobject_cast<QPushButton *>(reset->object()), Qt::LeftButton);
    EXPECT_EQ(resets, 1);
    EXPECT_TRUE(emitted.empty());
}

TEST_F(WindowTest, ShowsDeviceAndLatestStatus)
{
    EXPECT_EQ(window.windowTitle(), QStringLiteral("仮想ボード"));
    window.setDevice(QStringLiteral("/dev/pts/3"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("仮想ボード - /dev/pts/3"));
    EXPECT_TRUE(window.findChild<QLabel *>("device")->text().endsWith("/dev/pts/3"));
    window.showStatus("frame 1: 16 bytes");
    window.showStatus("program stopped");
    EXPECT_EQ(window.findChild<QLabel *>("status")->text(), QStringLiteral("program stopped"));
}

// What is painted follows the LEDs' states; the picture is kept for the README.
TEST_F(WindowTest, PaintsLitLedsRed)
{
    window.setDevice(QStringLiteral("/dev/pts/3"));
    window.showPort(BoardWindow::kPortA, 0xa5);
    window.showPort(BoardWindow::kPortB, 0x3c);
    for (const char *name : {"P77", "P71", "P70"})
        qobject_cast<QCheckBox *>(widget(name))->setChecked(true);
    window.appendText("blink: start\r\npattern 3c\r\n\xe3\x83\x9c\xe3\x83\xbc\xe3\x83\x89 OK\r\n");
    window.showStatus("frame 1: 412 bytes, crc32 5d0f3a1c, well formed");

    const QImage shot = window.grab().toImage();
    const auto center = [&](const char *name) {
        QWidget *led = widget(name);
        return shot.pixelColor(led->mapTo(&window, led->rect().center()));
    };
    for (const char *lit : {"PA7", "PA5", "PA2", "PA0", "PB5", "PB2"}) {
        const QColor c = center(lit);
        EXPECT_GT(c.red(), 150) << lit;
        EXPECT_GT(c.red() - c.green(), 80) << lit;
    }
    for (const char *dark : {"PA6", "PA1", "PB7", "PB0"})
        EXPECT_LT(center(dark).red(), 120) << dark;

    const QByteArray dir = qgetenv("VESK_BINARY_DIR");
    if (!dir.isEmpty()) {
        const QString artifacts = QString::fromLocal8Bit(dir) + QStringLiteral("/artifacts");
        ASSERT_TRUE(QDir().mkpath(artifacts));
        EXPECT_TRUE(shot.save(artifacts + QStringLiteral("/board-window.png")));
    }
}

} // namespace
