#pragma once

#include "platform/signalcloser.h"

namespace vesk {

class Form1;

// Closes the open modal dialogs and message boxes, then the window; what the close handlers
// do (writing the settings) runs as for the close box, but a failure goes to standard error,
// since no one is there to answer a box.
void closeFromSignal(Form1 *window);

} // namespace vesk
