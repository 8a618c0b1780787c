#include "boardwindow.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadialGradient>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("仮想ボード");
const QString kLit = QStringLiteral("点灯");
const QString kDark = QStringLiteral("消灯");

QFont boardFont(int points)
{
    return QFont(QStringLiteral("IPAPGothic"), points);
}

QLabel *centered(const QString &text, int points, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(boardFont(points));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// The number of continuation bytes a UTF-8 lead byte announces; 0 for a byte that cannot
// start a sequence (C0 and C1 are overlong leads, F5 and up lie beyond U+10FFFF).
int continuationCount(uchar lead)
{
    if (lead >= 0xc2 && lead <= 0xdf)
        return 1;
    if (lead >= 0xe0 && lead <= 0xef)
        return 2;
    if (lead >= 0xf0 && lead <= 0xf4)
        return 3;
    return 0;
}

} // namespace

// One LED on a port pin, painted as a disc; its state is its accessible description, which
// is what a screen reader (and the window's tests) read.
class BoardWindow::Led : public QWidget
{
public:
    Led(const QString &name, QWidget *parent) : QWidget(parent)
    {
        setObjectName(name);
        setAccessibleName(name);
        setAccessibleDescription(kDark);
        setFixedSize(20, 20);
    }
    void setLit(bool on)
    {
        if (on == m_lit)
            return;
        m_lit = on;
        setAccessibleDescription(on ? kLit : kDark);
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF disc = QRectF(rect()).adjusted(2, 2, -2, -2);
        QRadialGradient glow(disc.center(), disc.width() / 2,
                             disc.center() - QPointF(disc.width() / 5, disc.height() / 5));
        if (m_lit) {
            glow.setColorAt(0, QColor(255, 170, 160));
            glow.setColorAt(0.5, QColor(235, 30, 25));
            glow.setColorAt(1, QColor(190, 10, 10));
        } else {
            glow.setColorAt(0, QColor(110, 60, 60));
            glow.setColorAt(1, QColor(60, 25, 25));
        }
        painter.setPen(QPen(QColor(40, 40, 40), 1));
        painter.setBrush(glow);
        painter.drawEllipse(disc);
    }

private:
    bool m_lit = false;
};

BoardWindow::BoardWindow(QWidget *parent) : QWidget(parent)
{
    buildControls();
    connect(m_reset, &QPushButton::clicked, this, &BoardWindow::resetRequested);
    for (QCheckBox *box : m_switches) {
        connect(box, &QCheckBox::toggled, this,
                [this] { emit switchesChanged(kSwitchPort, switchLevels()); });
    }
}

void BoardWindow::buildControls()
{
    setObjectName(QStringLiteral("BoardWindow"));
    setWindowTitle(kTitle);
    setFont(boardFont(12));

    auto *top = new QHBoxLayout;
    m_device = new QLabel(this);
    m_device->setObjectName(QStringLiteral("device"));
    top->addWidget(m_device, 1);
    m_reset = new QPushButton(QStringLiteral("リセット"), this);
    m_reset->setObjectName(QStringLiteral("reset"));
    m_reset->setAccessibleName(m_reset->text());
    top->addWidget(m_reset);
    setDevice(QString());

    // One grid for the LEDs and the switches, so that each bit sits in one column under its
    // number, bit 7 on the left as on the board's silk screen.
    auto *ports = new QGroupBox(QStringLiteral("ポート"), this);
    auto *grid = new QGridLayout(ports);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    const auto column = [](int bit) { return 1 + (7 - bit); };
    for (int bit = 7; bit >= 0; --bit)
        grid->addWidget(centered(QString::number(bit), 9, ports), 0, column(bit));
    const auto ledRow = [&](const char *port, std::array<Led *, 8> &leds, int row) {
        grid->addWidget(centered(QString::fromLatin1(port), 12, ports), row, 0);
        for (int bit = 7; bit >= 0; --bit) {
            leds[size_t(bit)] = new Led(QString::fromLatin1(port) + QString::number(bit), ports);
            grid->addWidget(leds[size_t(bit)], row, column(bit), Qt::AlignCenter);
        }
    };
    ledRow("PA", m_portA, 1);
    ledRow("PB", m_portB, 2);
    // ON reads 1, so that all switches OFF agrees with the simulator's idle pins (0).
    const QString onIsOne = QStringLiteral("ON で 1、OFF で 0");
    grid->addWidget(centered(QStringLiteral("P7"), 12, ports), 3, 0);
    for (int bit = 7; bit >= 0; --bit) {
        // The chip's own pin names: P77 is port 7, bit 7.
        const QString name = QStringLiteral("P7") + QString::number(bit);
        auto *box = new QCheckBox(ports);
        box->setObjectName(name);
        box->setAccessibleName(name);
        box->setAccessibleDescription(QStringLiteral("DIPスイッチ、") + onIsOne);
        box->setToolTip(name + QStringLiteral(": ") + onIsOne);
        m_switches[size_t(bit)] = box;
        grid->addWidget(box, 3, column(bit), Qt::AlignCenter);
    }
    auto *note = new QLabel(QStringLiteral("ON=1"), ports);
    note->setFont(boardFont(9));
    note->setToolTip(QStringLiteral("DIPスイッチ: ") + onIsOne);
    grid->addWidget(note, 3, 9);
    grid->setColumnStretch(10, 1);

    auto *output = new QLabel(QStringLiteral("出力"), this);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setAccessibleName(output->text());
    m_text->setReadOnly(true);
    m_text->setMaximumBlockCount(kMaxLines);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    output->setBuddy(m_text);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    // A long message is cut at the window's edge rather than widening the window.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_status->setFont(boardFont(10));

    auto *rows = new QVBoxLayout(this);
    rows->addLayout(top);
    rows->addWidget(ports);
    rows->addWidget(output);
    rows->addWidget(m_text, 1);
    rows->addWidget(m_status);
    resize(440, 400);
}

quint8 BoardWindow::switchLevels() const
{
    quint8 levels = 0;
    for (size_t bit = 0; bit < m_switches.size(); ++bit) {
        if (m_switches[bit]->isChecked())
            levels = quint8(levels | (1u << bit));
    }
    return levels;
}

void BoardWindow::setDevice(const QString &device)
{
    setWindowTitle(device.isEmpty() ? kTitle : kTitle + QStringLiteral(" - ") + device);
    m_device->setText(QStringLiteral("接続先: ") +
                      (device.isEmpty() ? QStringLiteral("なし") : device));
}

void BoardWindow::showPort(int port, quint8 value)
{
    std::array<Led *, 8> *leds = port == kPortA ? &m_portA : port == kPortB ? &m_portB : nullptr;
    if (!leds)
        return;
    for (size_t bit = 0; bit < 8; ++bit)
        (*leds)[bit]->setLit((value >> bit) & 1u);
}

void BoardWindow::showStatus(const QString &line)
{
    m_status->setText(line);
    m_status->setToolTip(line);
}

void BoardWindow::appendText(const QByteArray &bytes)
{
    const QString text = decode(bytes);
    if (text.isEmpty())
        return;
    QScrollBar *bar = m_text->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    // A cursor of our own, so that a selection the user is making stays where it is.
    QTextCursor end(m_text->document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    if (following)
        bar->setValue(bar->maximum());
}

// Programs print UTF-8 or plain 8-bit text; a byte that is not part of valid UTF-8 is taken
// as Latin-1. Line ends become '\n'; other control characters would only draw as boxes.
QString BoardWindow::decode(const QByteArray &bytes)
{
    const QByteArray in = m_partial + bytes;
    m_partial.clear();
    QString out;
    qsizetype i = 0;
    while (i < in.size()) {
        const auto lead = uchar(in[i]);
        if (lead < 0x80) {
            const bool lfAfterCr = lead == '\n' && m_afterCr;
            m_afterCr = lead == '\r';
            if (lead == '\r' || (lead == '\n' && !lfAfterCr))
                out += QLatin1Char('\n');
            else if (lead == '\t' || (lead >= 0x20 && lead < 0x7f))
                out += QLatin1Char(char(lead));
            ++i;
            continue;
        }
        m_afterCr = false;
        const int need = continuationCount(lead);
        int have = 0;
        while (have < need && i + 1 + have < in.size() && (uchar(in[i + 1 + have]) & 0xc0) == 0x80)
            ++have;
        if (have < need && i + 1 + have == in.size()) {
            m_partial = in.mid(i); // the rest may come with the next chunk
            break;
        }
        if (need > 0 && have == need) {
            char32_t code = lead & (0x3fu >> need);
            for (int k = 1; k <= need; ++k)
                code = (code << 6) | (uchar(in[i + k]) & 0x3fu);
            static constexpr char32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
            const bool surrogate = code >= 0xd800 && code <= 0xdfff;
            if (code >= kLeast[need] && code <= 0x10ffff && !surrogate) {
                out += QString::fromUcs4(&code, 1);
                i += 1 + need;
                continue;
            }
        }
        // Latin-1 has no characters for 80..9F: they show as the replacement character.
        out += lead >= 0xa0 ? QChar(char16_t(lead)) : QChar(QChar::ReplacementCharacter);
        ++i;
    }
    return out;
}
