#pragma once

#include <QIcon>

// The one icon list of every view; the index is what app.ini stores for the sort icon.
namespace Icons {

enum Index {
    ServerOffline = 0,
    ServerOnline = 1,
    SortAscending = 3,
    SortDescending = 4,
    ChatOpen = 5,
    ServerQueued = 6,
    Player = 7,
    QueuedCommand = 8,
};

// Makes the pictures of the widgets library reachable under ":/icons/"; safe to call often.
void registerResources();

QIcon byIndex(int index);
QIcon application();
QIcon closeChannel();
QIcon options();
QIcon search();
QIcon addServer();

} // namespace Icons
