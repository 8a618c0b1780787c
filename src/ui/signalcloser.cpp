#include "ui/signalcloser.h"

#include <QApplication>
#include <QWidget>

namespace vesk {

void closeFromSignal(QWidget *window)
{
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
