// What the shell components share: the process-wide start-up (OLE, the
// shell's clipboard formats, the shell allocator), the reference-counted
// component base of the OLE components with the owner that holds one, a
// COM interface owner, and the components' error.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <tuple>
#include <utility>

#include "components/component_error.h"
#include "ui/com_ref.h"

namespace kelvo {

// The shell components' errors, with their fixed messages.
class ShellError : public ComponentError {
public:
    using ComponentError::ComponentError;
};

// The clipboard formats registered by name at start-up ("FileContents",
// "FileGroupDescriptor", "Shell IDList Array", "Preferred DropEffect",
// "UniformResourceLocator", "FileNameMap", "FileNameMapW"); 0 before it.
extern const UINT& CF_FILECONTENTS;
extern const UINT& CF_FILEGROUPDESCRIPTOR;
extern const UINT& CF_IDLIST;
extern const UINT& CF_PREFERREDDROPEFFECT;
extern const UINT& CF_URL;
extern const UINT& CF_FILENAMEMAP;
extern const UINT& CF_FILENAMEMAPW;

// The shell's allocator, which frees the item-ID lists the shell hands out;
// null outside the start-up's lifetime.
IMalloc* ShellMalloc();

// The start-up and shutdown of the shell components, once per process, on
// the main thread, before any window: initializes OLE, registers the
// clipboard formats in the order above and obtains the shell allocator; the
// destructor releases the allocator and uninitializes OLE. Throws
// ShellError when OLE cannot be initialized on this thread.
class TShellStartup {
public:
    TShellStartup();
    ~TShellStartup();
    TShellStartup(const TShellStartup&) = delete;
    TShellStartup& operator=(const TShellStartup&) = delete;
};

// A component that implements COM interfaces with its own reference count,
// changed atomically. QueryInterface answers for IUnknown and the listed
// interfaces and E_NOINTERFACE for any other; AddRef and Release return
// the new count, and the component deletes itself when it reaches 0. The
// component's constructor takes one reference on itself for its owner
// (OwnedComponent), so releases by the platform never destroy a component
// its owner still holds, and the owner's release never frees one the
// platform still holds.
template <typename... Interfaces>
class TInterfacedComponent : public Interfaces... {
public:
    TInterfacedComponent(const TInterfacedComponent&) = delete;
    TInterfacedComponent& operator=(const TInterfacedComponent&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) final
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;
        if (IsEqualIID(iid, __uuidof(IUnknown)))
            *object = static_cast<IUnknown*>(static_cast<First*>(this));
        else
            ((IsEqualIID(iid, __uuidof(Interfaces)) && (*object = static_cast<Interfaces*>(this))) || ...);
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() final { return static_cast<ULONG>(++refCount_); }
    ULONG STDMETHODCALLTYPE Release() final
    {
        const LONG count = --refCount_;
        if (count == 0)
            delete this;
        return static_cast<ULONG>(count);
    }

    // The owner lets go: the component stops calling back into its owner
    // and gives back what the platform may keep. Runs once, just before the
    // owner's reference is released.
    virtual void Detach() {}

protected:
    TInterfacedComponent() = default;
    virtual ~TInterfacedComponent() = default;

private:
    std::atomic<LONG> refCount_{0};
};

// The owner's hold on one component, made with it: use it like a member.
// When it goes, the component is detached and the owner's reference (the
// one the component's constructor took) is released; the component itself
// goes when the platform has released its references too.
template <typename Component>
class OwnedComponent {
public:
    OwnedComponent() : component_(new Component()) {}
    OwnedComponent(const OwnedComponent&) = delete;
    OwnedComponent& operator=(const OwnedComponent&) = delete;
    ~OwnedComponent()
    {
        component_->Detach();
        component_->Release();
    }

    Component& operator*() const { return *component_; }
    Component* operator->() const { return component_; }
    Component* Get() const { return component_; }

private:
    Component* component_;
};

} // namespace kelvo
