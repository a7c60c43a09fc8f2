#pragma once

#include <unistd.h>
#include <utility>

namespace bk::posix {

// An open file or folder descriptor, closed when its owner goes; -1 holds nothing.
class Handle {
  public:
    Handle() = default;
    explicit Handle(int descriptor) : descriptor_(descriptor) {}
    ~Handle() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    Handle(Handle&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    Handle& operator=(Handle&& other) noexcept {
        Handle taken(std::move(other));
        std::swap(descriptor_, taken.descriptor_);
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    int get() const { return descriptor_; }
    bool valid() const { return descriptor_ >= 0; }

  private:
    int descriptor_ = -1;
};

} // namespace bk::posix
