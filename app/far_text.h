// The main window's texts and small rules that need no window: header lines,
// list lines, status texts, panel width, and the pace of progress repaints.
#pragma once

#include "archive/far_archive.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo {

// The four lines the details list shows after an archive is opened.
std::vector<std::string> HeaderLines(const TFarArchive& archive);
// An entry's line in the entry list: its full name, or the part after the
// last backslash or colon.
std::string ListText(const TFarEntry& entry, bool viewPaths);
// The part of a name after its last backslash or colon.
std::string_view AfterLastSeparator(std::string_view name);
// "Loading " and the entry's full name.
std::string LoadingText(const TFarEntry& entry);
// The number of entries followed by " files loaded.".
std::string LoadedText(std::size_t count);
// Progress in whole percent: the integer part of index / count * 100.
int ProgressPercent(std::size_t index, std::size_t count);
// Status panel 0's width for a window of the given outer width: 80 %, rounded down.
int MessagePanelWidth(int outerWidth);

// Lets a long loop repaint its progress at most about 30 times a second.
class ProgressPace {
public:
    using Clock = std::chrono::steady_clock;
    explicit ProgressPace(Clock::duration interval = std::chrono::milliseconds(33)) : interval_(interval) {}
    // True when the last repaint is at least one interval ago (and then counts as one).
    bool Due(Clock::time_point now = Clock::now());

private:
    Clock::duration interval_;
    Clock::time_point last_{};
    bool started_ = false;
};

} // namespace kelvo
