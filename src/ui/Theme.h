#pragma once

class QApplication;

// "Golden Graphite": graphite panels, near-black lists with white text, golden accents.
namespace Theme {

constexpr const char *kGold = "#d4a93c";
constexpr const char *kPanel = "#252525";
constexpr const char *kList = "#111111";

void apply(QApplication &app);

} // namespace Theme
