#pragma once

// Which alert a join, a departure or a status change raises ("Connection infos:").
enum class NotificationKind { None = 0, Beep = 1, Popup = 2, PopupAndBeep = 3, TrayBalloon = 4 };

// What the chat channels ask the game server for ("Get log over:").
enum class LogSource { GameLog = 0, Chat = 1 };

// The options of the options dialog, typed; app.ini keeps them as integers in "pum1" (the key of
// each is named beside it). The defaults hold when the settings file is missing.
struct ProgramOptions final {
    NotificationKind notification = NotificationKind::Beep; // "cinfo"
    LogSource logSource = LogSource::GameLog;               // "ggl"
    bool minimizeToTray = true;                             // "tray": minimising hides the window
    bool showProgramLog = true;                             // "log": the program log pane
    bool crosshair = false;                                 // "cross": the crosshair overlay runs
    bool backgroundChat = false;                            // "getbchat": the background watch
    bool showPasswords = false;                             // never stored
};
