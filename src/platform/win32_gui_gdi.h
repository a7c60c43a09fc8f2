#pragma once

#include <string_view>
#include <utility>
#include <windows.h>

namespace bk {

// A font the layer made; deleted with its owner, after the controls that showed it.
class GdiFont {
  public:
    GdiFont() = default;
    explicit GdiFont(HFONT font) : font_(font) {}
    ~GdiFont() { release(); }
    GdiFont(GdiFont&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}
    GdiFont& operator=(GdiFont&& other) noexcept {
        if (this != &other) {
            release();
            font_ = std::exchange(other.font_, nullptr);
        }
        return *this;
    }
    GdiFont(const GdiFont&) = delete;
    GdiFont& operator=(const GdiFont&) = delete;

    HFONT get() const { return font_; }

  private:
    void release() {
        if (font_ != nullptr) {
            DeleteObject(font_);
            font_ = nullptr;
        }
    }

    HFONT font_ = nullptr;
};

// The font the system uses for the texts of message boxes: the one its users chose to read, wide
// enough for every German caption of the window. The stock font when it cannot be had.
GdiFont MessageFont();

// The device context of a window (of the screen when none is given), released with its holder.
class WindowContext {
  public:
    explicit WindowContext(HWND window) : window_(window), context_(GetDC(window)) {}
    ~WindowContext() {
        if (context_ != nullptr) {
            ReleaseDC(window_, context_);
        }
    }
    WindowContext(const WindowContext&) = delete;
    WindowContext& operator=(const WindowContext&) = delete;

    HDC get() const { return context_; }

  private:
    HWND window_;
    HDC context_;
};

// Measures texts as a control draws them: in its device context, with its font selected.
class TextMeasure {
  public:
    explicit TextMeasure(HWND control);
    ~TextMeasure();
    TextMeasure(const TextMeasure&) = delete;
    TextMeasure& operator=(const TextMeasure&) = delete;

    // In pixels; 0 when the control has no device context.
    int widthOf(std::wstring_view text) const;

  private:
    WindowContext context_;
    HGDIOBJ previousFont_ = nullptr;
};

} // namespace bk
