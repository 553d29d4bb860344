#include "cli/CliJson.h"

#include "common/ZsText.h"

namespace {

// The length of the valid UTF-8 sequence at text[i] (shortest form, no surrogates, at most U+10FFFF); 0 when
// none starts there.
size_t Utf8Length(const std::string& text, size_t i) {
    const auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = at(i);
    size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        lo = c == 0xE0 ? 0xA0 : 0x80;
        hi = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        lo = c == 0xF0 ? 0x90 : 0x80;
        hi = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + n > text.size() || at(i + 1) < lo || at(i + 1) > hi) {
        return 0;
    }
    for (size_t k = 2; k < n; ++k) {
        if (at(i + k) < 0x80 || at(i + k) > 0xBF) {
            return 0;
        }
    }
    return n;
}

}  // namespace

std::string JsonQuote(const std::string& text) {
    std::string s = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const size_t n = Utf8Length(text, i);
            s += n ? text.substr(i, n) : std::string("\\ufffd");
            i += n ? n : 1;
            continue;
        }
        switch (c) {
            case '"':
                s += "\\\"";
                break;
            case '\\':
                s += "\\\\";
                break;
            case '\n':
                s += "\\n";
                break;
            case '\r':
                s += "\\r";
                break;
            case '\t':
                s += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    s += ZsFormat("\\u%04x", c);
                } else {
                    s.push_back(static_cast<char>(c));
                }
        }
        ++i;
    }
    s += "\"";
    return s;
}

CCliJson CCliJson::Array() {
    CCliJson v;
    v.mValue = ArrayTag{};
    return v;
}

CCliJson CCliJson::Object() {
    CCliJson v;
    v.mValue = ObjectTag{};
    return v;
}

CCliJson& CCliJson::Set(const std::string& sKey, CCliJson value) {
    CCliJson& member = (*this)[sKey];
    member = std::move(value);
    return member;
}

CCliJson& CCliJson::operator[](const std::string& sKey) {
    if (!std::holds_alternative<ObjectTag>(mValue)) {
        mValue = ObjectTag{};
    }
    Members& members = std::get<ObjectTag>(mValue).members;
    for (auto& [key, value] : members) {
        if (key == sKey) {
            return value;
        }
    }
    members.emplace_back(sKey, CCliJson());
    return members.back().second;
}

void CCliJson::Push(CCliJson value) {
    if (!std::holds_alternative<ArrayTag>(mValue)) {
        mValue = ArrayTag{};
    }
    std::get<ArrayTag>(mValue).items.push_back(std::move(value));
}

std::string CCliJson::Dump() const {
    if (const bool* pb = std::get_if<bool>(&mValue)) {
        return *pb ? "true" : "false";
    }
    if (const int64_t* pn = std::get_if<int64_t>(&mValue)) {
        return std::to_string(*pn);
    }
    if (const std::string* ps = std::get_if<std::string>(&mValue)) {
        return JsonQuote(*ps);
    }
    if (const ArrayTag* pa = std::get_if<ArrayTag>(&mValue)) {
        std::string s = "[";
        for (size_t i = 0; i < pa->items.size(); ++i) {
            s += (i ? ", " : "") + pa->items[i].Dump();
        }
        return s + "]";
    }
    if (const ObjectTag* po = std::get_if<ObjectTag>(&mValue)) {
        std::string s = "{";
        for (const auto& [key, value] : po->members) {
            s += (s.size() > 1 ? ", " : "") + JsonQuote(key) + ": " + value.Dump();
        }
        return s + "}";
    }
    return "null";
}
