#pragma once

#include "platform/signalcloser.h"

class QWidget;

namespace vesk {

// Closes the open modal dialogs and message boxes, then the window; what the close handlers
// do (writing the settings) runs as for the close box.
void closeFromSignal(QWidget *window);

} // namespace vesk
