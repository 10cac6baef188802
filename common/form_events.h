// What a form offers the components that hook its events. Portable: the
// workflow logic that hooks a form is tested without a window.
#pragma once

#include <functional>

namespace kelvo::ui {

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject& sender)>;
using TCloseQueryEvent = std::function<void(TObject& sender, bool& canClose)>;

// A form's replaceable event handlers. The form calls OnShow each time it is
// shown and OnCloseQuery when it is asked to close (canClose starts true;
// the form closes only when it is still true afterwards).
class TFormEvents : public TObject {
public:
    TNotifyEvent OnShow;
    TCloseQueryEvent OnCloseQuery;
};

} // namespace kelvo::ui
