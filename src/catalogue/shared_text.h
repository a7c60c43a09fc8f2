#pragma once

#include <memory>
#include <string>

namespace bk {

// An unchangeable text held once however many records name it. Every file of a folder names
// the folder's path; a catalogue of 100,000 files in 5,000 folders then keeps 5,000 paths, not
// 100,000 copies of them. It reads as the std::string it holds; an empty one holds "".
class SharedText {
  public:
    SharedText() = default;
    // Not explicit: records are filled from plain strings, and read wherever a text is asked for.
    SharedText(std::string text) : text_(std::make_shared<const std::string>(std::move(text))) {}
    SharedText(const char* text) : SharedText(std::string(text)) {}

    const std::string& str() const { return text_ ? *text_ : Empty(); }
    operator const std::string&() const { return str(); }

    friend bool operator==(const SharedText& a, const SharedText& b) {
        return a.text_ == b.text_ || a.str() == b.str();
    }
    friend bool operator==(const SharedText& a, const std::string& b) { return a.str() == b; }
    friend bool operator==(const SharedText& a, const char* b) { return a.str() == b; }

  private:
    static const std::string& Empty() {
        static const std::string empty;
        return empty;
    }
    std::shared_ptr<const std::string> text_;
};

} // namespace bk
