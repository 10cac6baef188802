// How a component learns that another one it refers to is going: the
// referred-to component keeps a list of listeners and tells each of them
// when it is destroyed, so they drop their reference. A listener that goes
// first takes itself off the list. Window-free.
#pragma once

#include <algorithm>
#include <vector>

namespace kelvo::ui {

class FreeNotifier;

class FreeListener {
public:
    // The component is being destroyed: drop every reference to it.
    virtual void Notification(FreeNotifier& component) = 0;

protected:
    ~FreeListener() = default;
};

class FreeNotifier {
public:
    FreeNotifier() = default;
    FreeNotifier(const FreeNotifier&) = delete;
    FreeNotifier& operator=(const FreeNotifier&) = delete;

    // Asks for a Notification when this component is destroyed (once per listener).
    void FreeNotification(FreeListener& listener)
    {
        if (std::find(listeners_.begin(), listeners_.end(), &listener) == listeners_.end())
            listeners_.push_back(&listener);
    }
    void RemoveFreeNotification(FreeListener& listener) { std::erase(listeners_, &listener); }

protected:
    ~FreeNotifier()
    {
        while (!listeners_.empty()) {
            FreeListener* listener = listeners_.back();
            listeners_.pop_back();
            listener->Notification(*this);
        }
    }

private:
    std::vector<FreeListener*> listeners_;
};

} // namespace kelvo::ui
