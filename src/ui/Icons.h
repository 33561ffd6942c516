#pragma once

#include "base/IconIndex.h"

#include <QIcon>

// The pictures of the console's one icon list, and the other pictures of the window.
namespace Icons {

// Makes the pictures of the widgets library reachable under ":/icons/"; safe to call often.
void registerResources();

QIcon byIndex(IconIndex index);
QIcon application();
QIcon closeChannel();
QIcon options();
QIcon search();
QIcon addServer();

} // namespace Icons
