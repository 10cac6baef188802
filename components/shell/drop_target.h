// The OLE drop targets: a windowed control registered with one of them
// accepts data dragged onto it from other programs. TDropTarget answers the
// platform's four drag calls, chooses the drop effect from its drag types
// and the keys held down, shows the drag image, scrolls the control while
// the pointer rests near its edge and reports through its events; the
// concrete kinds decide which data they take: TDropFileTarget lists of
// files, TDropTextTarget ANSI text, TDropDummy anything (reading nothing).
//
// Use: hold one in an OwnedComponent<...> (the platform may keep its own
// references for a while), set its properties and events, then Register
// the control after creating it and Unregister before destroying it.
// TShellStartup (shell_init.h) must exist first.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

#include "components/shell/drop_rules.h"
#include "components/shell/shell_init.h"
#include "ui/handles.h"
#include "ui/timer.h"

namespace kelvo {

class TDropTarget;

// Sender, the keys and buttons held down, the pointer in client coordinates
// of the registered control, and the drop effect, which the handler may change.
using TDropTargetEvent = std::function<void(TDropTarget& Sender, TShiftState Shift, POINT Point, DWORD& Effect)>;
using TDropNotifyEvent = std::function<void(TDropTarget& Sender)>;

// The file-list and ANSI text formats: no target device, the content, all of
// it, in global memory.
inline constexpr FORMATETC HDropFormatEtc{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
inline constexpr FORMATETC TextFormatEtc{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};

// A client point of window as a point relative to the window's outer top-left corner.
POINT ClientPtToWindowPt(HWND window, POINT point);

// Appends the file names of a dropped-files block in global memory to files;
// true when files then holds at least one name.
bool GetFilesFromHGlobal(HGLOBAL block, std::vector<std::string>& files);

class TDropTarget : public TInterfacedComponent<IDropTarget> {
public:
    // --- Properties (defaults as the constructor sets them) ---------------
    TDragTypes Dragtypes;        // the effects this target accepts
    bool GetDataOnEnter = false; // read the data when the drag enters, not at the drop
    bool ShowImage() const { return showImage_; }
    // Shows or hides the drag image at once while one is over the control.
    void SetShowImage(bool value);

    // --- Events -------------------------------------------------------------
    TDropTargetEvent OnEnter;         // a drag with acceptable data entered the control
    TDropTargetEvent OnDragOver;      // the pointer moved over the control, or a key changed
    TDropNotifyEvent OnLeave;         // the drag left the control or was cancelled
    TDropTargetEvent OnDrop;          // data was dropped and read
    TDropTargetEvent OnGetDropEffect; // replaces the built-in choice of the effect

    // Makes control (named controlName in errors) the drop target, revoking
    // a control registered before; the same control again does nothing, a
    // null control only revokes. Throws ShellError "Failed to Register "
    // followed by the name when the platform refuses (the control is then
    // not registered).
    void Register(HWND control, const std::string& controlName);
    // Revokes the registered control. Throws ShellError "Failed to
    // Unregister " followed by its name when the platform refuses (it stays
    // registered). A control whose window is gone is just forgotten.
    void Unregister();
    HWND RegisteredControl() const { return control_; }

    // Takes the data from the clipboard, as a drop would; the effect the
    // clipboard's "Preferred DropEffect" asks for, 0 without one.
    virtual DWORD PasteFromClipboard();

    // --- IDropTarget: every call answers S_OK -------------------------------
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

    // Revokes the control and stops raising events.
    void Detach() override;

protected:
    TDropTarget();
    ~TDropTarget() override;

    // Raise the events, when assigned.
    virtual void DoEnter(TShiftState shift, POINT point, DWORD& effect);
    virtual void DoDragOver(TShiftState shift, POINT point, DWORD& effect);
    virtual void DoDrop(TShiftState shift, POINT point, DWORD& effect);
    virtual void DoLeave();
    // Reads the offered data; true when there was some to read.
    virtual bool DoGetData() = 0;
    // Forgets the data read.
    virtual void ClearData() = 0;
    // Whether the offered data comes in a format this kind takes.
    virtual bool HasValidFormats() = 0;
    // The effect for the keys held down at point among those offered:
    // OnGetDropEffect's choice when assigned, otherwise the built-in one.
    virtual DWORD GetValidDropEffect(TShiftState shift, POINT point, DWORD offered);

    // The data object of the drag in progress; null outside a drag or when
    // its formats were refused.
    IDataObject* DataObject() const { return dataObject_.Get(); }

private:
    POINT ToClient(POINTL screen) const;
    void SetUpScrolling();
    void ScrollStep();
    void EnterDragImage();
    void LeaveDragImage();
    void DropDataObject();
    // The calls' common frame: exceptions from event handlers go to the
    // application's error box and end the call with no effect.
    template <typename Call>
    void Guarded(DWORD* effect, Call call);

    ui::ComRef<IDataObject> dataObject_;
    HWND control_ = nullptr;
    std::string controlName_;
    ui::Timer scrollTimer_;
    ui::OwnedImageList blankCursor_;
    HIMAGELIST dragImage_ = nullptr;
    POINT hotSpot_{};
    POINT lastPoint_{};
    drop::ScrollZone scrollZone_;
    bool showImage_ = true;
};

// Takes lists of files: Files with their full names as the source gives
// them and, when the source sends a name map, MappedNames (the names under
// which it wants them to appear; either empty or as long as Files). Both
// hold the data only during a drag: OnDrop is the place to read them.
class TDropFileTarget : public TDropTarget {
public:
    TDropFileTarget();

    std::vector<std::string> Files;
    std::vector<std::string> MappedNames;

    // The clipboard's file list goes to Files; the preferred effect, copy
    // when none is given, or 0 when it holds no files.
    DWORD PasteFromClipboard() override;

protected:
    ~TDropFileTarget() override = default;
    bool DoGetData() override;
    void ClearData() override;
    bool HasValidFormats() override;

private:
    FORMATETC fileNameMapFormatEtc_;
    FORMATETC fileNameMapWFormatEtc_;
};

// Takes ANSI text, into Text.
class TDropTextTarget : public TDropTarget {
public:
    std::string Text;

    // The clipboard's ANSI text goes to Text; copy, or 0 when it holds none.
    DWORD PasteFromClipboard() override;

protected:
    ~TDropTextTarget() override = default;
    bool DoGetData() override;
    void ClearData() override;
    bool HasValidFormats() override;
};

// Accepts any data and reads none: with GetDataOnEnter clear its drops end
// without OnDrop.
class TDropDummy : public TDropTarget {
protected:
    ~TDropDummy() override = default;
    bool DoGetData() override { return false; }
    void ClearData() override {}
    bool HasValidFormats() override { return true; }
};

} // namespace kelvo
