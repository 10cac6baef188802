// A thin bar between two controls that the user drags to share out the space.
// The form decides the limits: the bar only reports where it was dragged.
#pragma once

#include "ui/window.h"

#include <functional>

namespace kelvo::ui {

class Splitter : public Window {
public:
    enum class Direction { Horizontal, Vertical }; // the direction it moves in
    void Create(HWND parent, Direction direction);
    Direction Moves() const { return direction_; }

    // Told the new position (left or top edge in the parent) while dragging.
    std::function<void(int position)> OnMoved;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int ParentPosition(LPARAM lParam) const;
    Direction direction_ = Direction::Horizontal;
    int grabOffset_ = 0;
    bool dragging_ = false;
};

} // namespace kelvo::ui
