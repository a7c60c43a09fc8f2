#pragma once

#include "platform/win32_gui_com.h"

#include <oleacc.h>
#include <string_view>
#include <vector>
#include <windows.h>

namespace bk {

// Names that screen readers announce for controls without a caption of their own, given to
// Windows' accessibility layer as annotations of the controls' windows. Where the system offers
// no annotation service the controls simply keep the names the system finds for them.
class AccessibleNames {
  public:
    AccessibleNames() = default;
    ~AccessibleNames() { forgetAll(); }
    AccessibleNames(const AccessibleNames&) = delete;
    AccessibleNames& operator=(const AccessibleNames&) = delete;

    // True when the name was given to the accessibility layer.
    bool name(HWND control, std::string_view text);
    // Takes the names back; done before the controls go, as annotations outlive nothing else.
    void forgetAll();

  private:
    bool reachService();

    ComReference<IAccPropServices> service_;
    bool serviceTried_ = false;
    std::vector<HWND> named_;
};

} // namespace bk
