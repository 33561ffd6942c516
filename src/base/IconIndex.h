#pragma once

// The console's one icon list. Core models hand out these indexes; the window turns them into
// pictures. app.ini stores the server list's sort icon by its index.
enum class IconIndex {
    None = -1,
    ServerOffline = 0,
    ServerOnline = 1,
    SortAscending = 3,
    SortDescending = 4,
    ChatOpen = 5,
    ServerQueued = 6,
    Player = 7,
    QueuedCommand = 8,
};
