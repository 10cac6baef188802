#include "ui/timer.h"

namespace kelvo::ui {

namespace {

constexpr UINT_PTR kTimerId = 1;

} // namespace

Timer::Timer(std::function<void()> onTick) : onTick_(std::move(onTick))
{
    CreateOwnWindow("KelvoTimer", 0, 0, "", 0, 0, 0, 0, HWND_MESSAGE, nullptr);
}

Timer::~Timer()
{
    if (Handle())
        KillTimer(Handle(), kTimerId);
}

void Timer::SetInterval(UINT milliseconds)
{
    if (milliseconds == interval_)
        return;
    interval_ = milliseconds;
    Update();
}

void Timer::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    Update();
}

void Timer::Update()
{
    if (!Handle())
        return;
    KillTimer(Handle(), kTimerId);
    if (enabled_ && interval_ > 0)
        SetTimer(Handle(), kTimerId, interval_, nullptr);
}

LRESULT Timer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == kTimerId) {
        // A copy, so the handler may destroy this timer while it runs.
        const std::function<void()> tick = onTick_;
        if (tick)
            tick();
        return 0;
    }
    return Window::Default(message, wParam, lParam);
}

} // namespace kelvo::ui
