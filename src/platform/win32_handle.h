#pragma once

#include <utility>
#include <windows.h>

namespace bk::win32 {

// An open file or folder handle, closed when its owner goes. The system's two ways of saying
// "no handle" (INVALID_HANDLE_VALUE from CreateFileW, null from the native calls) both hold
// nothing here.
class Handle {
  public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~Handle() {
        if (handle_ != nullptr) {
            CloseHandle(handle_);
        }
    }
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        Handle taken(std::move(other));
        std::swap(handle_, taken.handle_);
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr; }

  private:
    HANDLE handle_ = nullptr;
};

} // namespace bk::win32
