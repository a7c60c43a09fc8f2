#pragma once

#include <objbase.h>
#include <string_view>
#include <utility>
#include <windows.h>

namespace bk {

// One reference to a COM object, released with its holder.
template <typename Interface> class ComReference {
  public:
    ComReference() = default;
    ~ComReference() { release(); }
    ComReference(ComReference&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ComReference& operator=(ComReference&& other) noexcept {
        if (this != &other) {
            release();
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }
    ComReference(const ComReference&) = delete;
    ComReference& operator=(const ComReference&) = delete;

    Interface* operator->() const { return object_; }
    Interface* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Where a creating call stores the new reference; whatever was held before is released.
    Interface** put() {
        release();
        return &object_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

  private:
    void release() {
        if (object_ != nullptr) {
            object_->Release();
            object_ = nullptr;
        }
    }

    Interface* object_ = nullptr;
};

// A wide text the shell allocated for its caller.
class CoTaskText {
  public:
    CoTaskText() = default;
    ~CoTaskText() { CoTaskMemFree(text_); }
    CoTaskText(const CoTaskText&) = delete;
    CoTaskText& operator=(const CoTaskText&) = delete;

    wchar_t** put() {
        CoTaskMemFree(text_);
        text_ = nullptr;
        return &text_;
    }
    std::wstring_view view() const { return text_ != nullptr ? std::wstring_view(text_) : L""; }

  private:
    wchar_t* text_ = nullptr;
};

// COM on this thread, in the single-threaded apartment the shell's dialogs need, for as long as
// the holder lives.
class ComApartment {
  public:
    ComApartment()
        : entered_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (entered_) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool entered_;
};

} // namespace bk
