#include "platform/win32_gui_accessible_names.h"

#include "platform/win32_text.h"

#include <algorithm>
#include <string>

namespace bk {

namespace {

// The control's own window, as the accessibility layer names it.
constexpr auto ClientObject = static_cast<DWORD>(OBJID_CLIENT);

} // namespace

bool AccessibleNames::reachService() {
    if (!serviceTried_) {
        serviceTried_ = true;
        CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                         service_.putVoid());
    }
    return static_cast<bool>(service_);
}

bool AccessibleNames::name(HWND control, std::string_view text) {
    if (control == nullptr || !reachService()) {
        return false;
    }
    const std::wstring wide = WideText(text);
    if (FAILED(service_->SetHwndPropStr(control, ClientObject, CHILDID_SELF, PROPID_ACC_NAME,
                                        wide.c_str()))) {
        return false;
    }
    if (std::find(named_.begin(), named_.end(), control) == named_.end()) {
        named_.push_back(control);
    }
    return true;
}

void AccessibleNames::forgetAll() {
    if (service_) {
        MSAAPROPID property = PROPID_ACC_NAME;
        for (HWND control : named_) {
            service_->ClearHwndProps(control, ClientObject, CHILDID_SELF, &property, 1);
        }
    }
    named_.clear();
}

} // namespace bk
