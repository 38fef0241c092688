#pragma once

#include <cstddef>
#include <string_view>

namespace tarn::fuzz {

// A strict reader of one JSON text as RFC 8259 has it, written apart from
// the writer it checks: every string valid UTF-8 without raw control bytes,
// every escape complete, numbers in the grammar's form, nothing after the
// value. It only says yes or no.
class json_check {
  public:
    static bool valid(std::string_view text) {
        json_check check(text);
        return check.value(0) && check.at_ == text.size();
    }

  private:
    explicit json_check(std::string_view text) : text_(text) {}

    static constexpr int deepest = 64;

    bool more() const { return at_ < text_.size(); }
    unsigned char peek() const { return more() ? static_cast<unsigned char>(text_[at_]) : 0; }
    bool take(char c) {
        if (peek() != static_cast<unsigned char>(c)) {
            return false;
        }
        ++at_;
        return true;
    }
    bool word(std::string_view w) {
        if (text_.substr(at_, w.size()) != w) {
            return false;
        }
        at_ += w.size();
        return true;
    }

    bool value(int depth) {
        if (depth > deepest) {
            return false;
        }
        switch (peek()) {
            case '{':
                return sequence('}', depth, true);
            case '[':
                return sequence(']', depth, false);
            case '"':
                return string();
            case 't':
                return word("true");
            case 'f':
                return word("false");
            case 'n':
                return word("null");
            default:
                return number();
        }
    }

    // An object (members "name":value) or an array, after its opening.
    bool sequence(char close, int depth, bool members) {
        ++at_;
        if (take(close)) {
            return true;
        }
        do {
            if (members && !(string() && take(':'))) {
                return false;
            }
            if (!value(depth + 1)) {
                return false;
            }
        } while (take(','));
        return take(close);
    }

    bool digits() {
        const std::size_t start = at_;
        while (peek() >= '0' && peek() <= '9') {
            ++at_;
        }
        return at_ > start;
    }

    bool number() {
        take('-');
        if (!take('0') && !(peek() >= '1' && peek() <= '9' && digits())) {
            return false;
        }
        if (take('.') && !digits()) {
            return false;
        }
        if (take('e') || take('E')) {
            if (!take('+')) {
                take('-');
            }
            return digits();
        }
        return true;
    }

    bool string() {
        if (!take('"')) {
            return false;
        }
        while (more()) {
            const unsigned char c = peek();
            ++at_;
            if (c == '"') {
                return true;
            }
            if (c < 0x20) {
                return false;
            }
            if (c == '\\' && !escape()) {
                return false;
            }
            if (c >= 0x80 && !utf8_tail(c)) {
                return false;
            }
        }
        return false;
    }

    bool escape() {
        const unsigned char c = peek();
        ++at_;
        if (std::string_view(R"("\/bfnrt)").find(static_cast<char>(c)) != std::string_view::npos) {
            return true;
        }
        if (c != 'u' || text_.size() - at_ < 4) {
            return false;
        }
        for (int i = 0; i < 4; ++i, ++at_) {
            if (std::string_view("0123456789abcdefABCDEF").find(text_[at_]) ==
                std::string_view::npos) {
                return false;
            }
        }
        return true;
    }

    // The rest of a UTF-8 character whose first byte `lead` has been taken.
    bool utf8_tail(unsigned char lead) {
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 2;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 3;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        for (std::size_t i = 0; i < length; ++i, ++at_) {
            const unsigned char c = peek();
            if (!more() || c < (i == 0 ? low : 0x80) || c > (i == 0 ? high : 0xBF)) {
                return false;
            }
        }
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace tarn::fuzz
