#pragma once

// Entry of the console: single-instance check, theme, main window, event loop.
class Application final {
public:
    static int run(int argc, char *argv[]);
};
