// An owner of one counted reference to a COM interface. Move-only, like the
// handle owners.
#pragma once

#include <utility>

namespace kelvo::ui {

// One counted reference to a COM interface, released when it goes.
template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    // Takes over a reference the caller already counted.
    explicit ComRef(Interface* adopted) : pointer_(adopted) {}
    ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.pointer_, nullptr));
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { Reset(); }

    // Counts a new reference to pointer.
    static ComRef Share(Interface* pointer)
    {
        if (pointer)
            pointer->AddRef();
        return ComRef(pointer);
    }

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    void Reset(Interface* adopted = nullptr)
    {
        if (pointer_)
            pointer_->Release();
        pointer_ = adopted;
    }
    // For calls that hand out a counted reference: releases the current one first.
    Interface** Out()
    {
        Reset();
        return &pointer_;
    }

private:
    Interface* pointer_ = nullptr;
};

} // namespace kelvo::ui
