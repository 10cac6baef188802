// A window-message timer: calls its tick handler every Interval milliseconds
// while Enabled, from the message loop of the thread that made it. It has
// its own hidden message window, so it can serve any object. The tick
// handler may destroy the timer.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/window.h"

namespace kelvo::ui {

class Timer : private Window {
public:
    explicit Timer(std::function<void()> onTick);
    ~Timer() override;

    UINT Interval() const { return interval_; }
    void SetInterval(UINT milliseconds);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Update();

    std::function<void()> onTick_;
    UINT interval_ = 1000;
    bool enabled_ = false;
};

} // namespace kelvo::ui
