#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace bk {

// A text of a catalogue record in 16 bytes, half a std::string: a catalogue holds one a file, a
// million of them at times. Up to 15 bytes are kept inside, which most file names fit; a longer
// text lives on the heap. Either way the bytes are followed by a 0, so the text can be handed to
// the system as it is.
class RecordText {
  public:
    RecordText() noexcept { setInside(0); }
    // Not explicit: records are filled from texts.
    RecordText(std::string_view text) {
        setInside(0);
        assign(text);
    }
    RecordText(const std::string& text) : RecordText(std::string_view(text)) {}
    RecordText(const char* text) : RecordText(std::string_view(text)) {}
    RecordText(const RecordText& other) : RecordText(other.view()) {}
    RecordText(RecordText&& other) noexcept {
        std::memcpy(raw_, other.raw_, sizeof raw_);
        other.setInside(0);
    }
    RecordText& operator=(RecordText other) noexcept {
        std::swap(raw_, other.raw_);
        return *this;
    }
    RecordText& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    RecordText& operator=(const std::string& text) { return *this = std::string_view(text); }
    RecordText& operator=(const char* text) { return *this = std::string_view(text); }
    ~RecordText() { release(); }

    const char* data() const {
        return outside() ? heapBytes() : reinterpret_cast<const char*>(raw_);
    }
    const char* c_str() const { return data(); }
    std::size_t size() const { return outside() ? heapLength() : InsideCapacity - raw_[Tag]; }
    bool empty() const { return size() == 0; }
    std::string_view view() const { return {data(), size()}; }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(view()); }

    friend bool operator==(const RecordText& a, const RecordText& b) {
        return a.view() == b.view();
    }
    friend bool operator==(const RecordText& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const RecordText& a, const std::string& b) { return a.view() == b; }
    friend bool operator==(const RecordText& a, const char* b) { return a.view() == b; }

  private:
    // Inside, the last byte holds 15 less the length, so that a text of 15 bytes ends in the 0
    // it needs; outside, it holds OutsideTag, and the first bytes the pointer and the length.
    static constexpr std::size_t InsideCapacity = 15;
    static constexpr std::size_t Tag = 15;
    static constexpr unsigned char OutsideTag = 0xFF;

    bool outside() const { return raw_[Tag] == OutsideTag; }
    char* heapBytes() const {
        char* bytes = nullptr;
        std::memcpy(&bytes, raw_, sizeof bytes);
        return bytes;
    }
    std::uint32_t heapLength() const {
        std::uint32_t length = 0;
        std::memcpy(&length, raw_ + sizeof(char*), sizeof length);
        return length;
    }
    void setInside(std::size_t length) {
        raw_[length] = 0;
        raw_[Tag] = static_cast<unsigned char>(InsideCapacity - length);
    }

    void assign(std::string_view text) {
        if (text.size() > UINT32_MAX) {
            throw std::length_error("a record's text beyond 4 GiB");
        }
        // The new bytes are copied before the old ones go: text may point into them.
        if (text.size() <= InsideCapacity) {
            unsigned char copy[InsideCapacity];
            std::memcpy(copy, text.data(), text.size());
            release();
            std::memcpy(raw_, copy, text.size());
            setInside(text.size());
            return;
        }
        char* bytes = new char[text.size() + 1];
        std::memcpy(bytes, text.data(), text.size());
        bytes[text.size()] = 0;
        release();
        const auto length = static_cast<std::uint32_t>(text.size());
        std::memcpy(raw_, &bytes, sizeof bytes);
        std::memcpy(raw_ + sizeof bytes, &length, sizeof length);
        raw_[Tag] = OutsideTag;
    }
    void release() {
        if (outside()) {
            delete[] heapBytes();
            setInside(0);
        }
    }

    alignas(char*) unsigned char raw_[16];
};

static_assert(sizeof(RecordText) == 16);

} // namespace bk
