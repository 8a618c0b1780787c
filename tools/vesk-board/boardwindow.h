#pragma once

// The board's window: ports A and B as rows of LEDs, DIP switches on port 7, the text the
// program prints, a reset button and the link's device name. It only shows what it is told
// and says what the user did; the board behind it runs the program.

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <array>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class BoardWindow : public QWidget
{
    Q_OBJECT
public:
    explicit BoardWindow(QWidget *parent = nullptr);

    // Ports in the simulator's order (0 = P1 .. 10 = PB).
    static constexpr int kSwitchPort = 6; // P7
    static constexpr int kPortA = 9;
    static constexpr int kPortB = 10;
    // Lines of program output kept; older ones scroll away for good.
    static constexpr int kMaxLines = 2000;

    // The levels the switches put on port 7 now (a switch ON reads 1), for the board to start
    // from before the user touches them.
    quint8 switchLevels() const;

public slots:
    // The link's device, "/dev/pts/3".
    void setDevice(const QString &device);
    // A port's data register changed: `port` 0-10 is P1-P9, PA, PB (the simulator's order);
    // the window shows PA and PB.
    void showPort(int port, quint8 value);
    // Bytes the program sent on serial channel 1.
    void appendText(const QByteArray &bytes);
    // What the board says about itself: a frame taken, a program stopped.
    void showStatus(const QString &line);

signals:
    // The user set the switches: the levels on port 7's pins.
    void switchesChanged(int port, quint8 levels);
    void resetRequested();

private:
    class Led;

    void buildControls();
    QString decode(const QByteArray &bytes);

    QLabel *m_device = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_reset = nullptr;
    QPlainTextEdit *m_text = nullptr;
    // Index 0 is bit 0.
    std::array<Led *, 8> m_portA{};
    std::array<Led *, 8> m_portB{};
    std::array<QCheckBox *, 8> m_switches{};
    // A UTF-8 sequence cut off at the end of the last chunk, and whether that chunk ended in
    // CR, whose LF may come with the next one.
    QByteArray m_partial;
    bool m_afterCr = false;
};
