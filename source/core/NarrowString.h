// Narrow text held by value in a fixed buffer whose capacity, the terminating
// zero included, is part of its type: copies are independent, nothing is
// allocated, and text that does not fit is refused, never written past the
// end or cut.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace vexlo {

template <std::size_t Capacity>
class NarrowString {
    static_assert(Capacity > 0, "room for the terminating zero");

public:
    NarrowString() = default;
    // A literal is checked against the capacity when the code is compiled.
    template <std::size_t N>
    NarrowString(const char (&literal)[N]) requires(N <= Capacity) {
        Assign(std::string_view(literal, N - 1));
    }
    explicit NarrowString(std::string_view text) { Assign(text); }

    // The text, or the empty string when it does not fit: false then.
    bool Assign(std::string_view text) {
        if (text.size() >= Capacity) {
            Clear();
            return false;
        }
        std::memcpy(text_, text.data(), text.size());
        length_ = text.size();
        text_[length_] = '\0';
        return true;
    }
    void Clear() {
        length_ = 0;
        text_[0] = '\0';
    }

    const char* c_str() const { return text_; }
    // For platform functions that take a non-const string and only read it,
    // and for changing characters in place.
    char* data() { return text_; }
    std::size_t size() const { return length_; }
    bool empty() const { return length_ == 0; }
    static constexpr std::size_t capacity() { return Capacity; }
    char& operator[](std::size_t at) { return text_[at]; }
    char operator[](std::size_t at) const { return text_[at]; }
    operator std::string_view() const { return std::string_view(text_, length_); }

    friend bool operator==(const NarrowString& a, std::string_view b) { return std::string_view(a) == b; }

private:
    std::size_t length_ = 0;
    char text_[Capacity] = {};
};

}  // namespace vexlo
