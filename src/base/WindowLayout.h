#pragma once

#include <array>

// The window layout kept in section "Design" of app.ini.
struct WindowLayout final {
    int left = 50;
    int top = 50;
    int width = 900;
    int height = 650;
    int lv1height = 200; // player list
    int lv2height = 200; // server list
    std::array<int, 6> lv2col = {170, 50, 80, 110, 74, 110};
    std::array<int, 4> lv1col = {220, 150, 180, 70};
    std::array<int, 4> lv4col = {200, 150, 200, 150};
    int p1w = 500;  // left column
    int p12w = 200; // right column of the chat area
    int lv2lastsort = 0;
    int lv2lastimage = 0;
    int p4h = 0; // program log pane
};
