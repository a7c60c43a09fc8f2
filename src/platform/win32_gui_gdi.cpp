#include "platform/win32_gui_gdi.h"

namespace bk {

GdiFont MessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        if (HFONT font = CreateFontIndirectW(&metrics.lfMessageFont)) {
            return GdiFont(font);
        }
    }
    // A copy of the stock font, so that the owner may delete whatever it holds.
    LOGFONTW stock{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(stock), &stock);
    return GdiFont(CreateFontIndirectW(&stock));
}

TextMeasure::TextMeasure(HWND control) : context_(control) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (context_.get() != nullptr && font != nullptr) {
        previousFont_ = SelectObject(context_.get(), font);
    }
}

TextMeasure::~TextMeasure() {
    if (previousFont_ != nullptr) {
        SelectObject(context_.get(), previousFont_);
    }
}

int TextMeasure::widthOf(std::wstring_view text) const {
    SIZE size{};
    if (context_.get() == nullptr ||
        !GetTextExtentPoint32W(context_.get(), text.data(), static_cast<int>(text.size()), &size)) {
        return 0;
    }
    return size.cx;
}

} // namespace bk
