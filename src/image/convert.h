#pragma once

#include "platform/dosfs.h"
#include "platform/error.h"

#include <QString>

namespace vesk {

// Turns base ".MOT" into the flat image base ".BIN" (both resolved through `fs`, so letter
// case does not matter; `base` is absolute or relative to the current DOS directory).
// When base ".MOT" cannot be opened, base ".BIN" is left as it was. Once it has been opened,
// base ".BIN" is afterwards either the complete image or absent: on any failure the partial
// output and an older image of that name are removed, so nothing stale can be transferred.
Error Convert(const DosFs &fs, const QString &base);

} // namespace vesk
