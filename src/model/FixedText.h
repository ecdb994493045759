// A character field of fixed capacity: a longer text is cut to the capacity.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace koralix {

template <size_t Capacity> class TFixedText {
  public:
    TFixedText() = default;
    TFixedText(std::string_view text) { Assign(text); }
    TFixedText(const char* text) { Assign(text); }
    TFixedText(const std::string& text) { Assign(text); }

    TFixedText& operator=(std::string_view text) {
        Assign(text);
        return *this;
    }
    TFixedText& operator=(const std::string& text) { return *this = std::string_view(text); }
    TFixedText& operator=(const char* text) { return *this = std::string_view(text); }
    const std::string& str() const { return text_; }
    operator const std::string&() const { return text_; }
    size_t size() const { return text_.size(); }
    friend bool operator==(const TFixedText& a, const TFixedText& b) { return a.text_ == b.text_; }
    friend bool operator==(const TFixedText& a, std::string_view b) { return a.text_ == b; }
    friend bool operator==(const TFixedText& a, const char* b) { return a.text_ == b; }
    friend bool operator==(const TFixedText& a, const std::string& b) { return a.text_ == b; }

  private:
    void Assign(std::string_view text) { text_ = std::string(text.substr(0, Capacity)); }
    std::string text_;
};

} // namespace koralix
