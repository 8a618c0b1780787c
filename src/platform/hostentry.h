#pragma once

#include <QString>

namespace vesk {

// The name under which the entry `name` stands in the host directory `hostDir`, matched as
// DOS names are: exact case wins, else the first case-insensitive match in sorted order.
// Empty when there is none. For the platform's own use; elsewhere DosFs::actualPath.
QString actualEntryName(const QString &hostDir, const QString &name);

} // namespace vesk
