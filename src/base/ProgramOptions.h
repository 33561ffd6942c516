#pragma once

// The options of the options dialog ("pum1" in app.ini). The defaults hold when the settings
// file is missing.
struct ProgramOptions final {
    int cinfo = 1; // notification kind: 0 none, 1 beep, 2 pop-up, 3 pop-up and beep, 4 tray balloon
    int ggl = 0;   // chat log source: 0 "GetGameLog", 1 "Getchat"
    int tray = 1;  // 1: minimising hides the window behind a tray icon
    int log = 1;   // 1: the program log pane is shown
    int cross = 0; // 1: the crosshair overlay runs
    int getbchat = 0;           // 1: the background chat watch runs
    bool showPasswords = false; // never stored
};
