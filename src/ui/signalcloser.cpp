#include "ui/signalcloser.h"

#include "ui/form1.h"

#include <QApplication>

namespace vesk {

void closeFromSignal(Form1 *window)
{
    window->setUnattended();
    // A modal box would otherwise keep its nested event loop, and the window, alive.
    for (int guard = 0; guard < 16; ++guard) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == window)
            break;
        modal->close();
    }
    window->close();
}

} // namespace vesk
