#include "common/ZsText.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cwctype>

#if !defined(_WIN32)
#include <locale.h>
#include <wctype.h>
#endif

namespace {

const char32_t kReplacement = 0xFFFD;

// Appends one printf conversion for a non-string argument, formatted by the C library.
template <typename T>
void AppendConversion(std::string& out, const std::string& spec, T value) {
    char buf[128];
    int n = std::snprintf(buf, sizeof buf, spec.c_str(), value);
    if (n < 0) {
        return;
    }
    if (static_cast<size_t>(n) < sizeof buf) {
        out.append(buf, static_cast<size_t>(n));
        return;
    }
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), spec.c_str(), value);
    out.append(big.data(), static_cast<size_t>(n));
}

// Appends "%s" text with width and precision counted in characters.
void AppendString(std::string& out, const char* psz, bool bLeft, int nWidth, int nPrecision) {
    std::string_view text = psz ? std::string_view(psz) : std::string_view("(null)");
    if (nPrecision >= 0) {
        size_t nChars = 0;
        size_t i = 0;
        while (i < text.size() && nChars < static_cast<size_t>(nPrecision)) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
            i = std::min(text.size(), i + len);
            ++nChars;
        }
        text = text.substr(0, i);
    }
    size_t nChars = ZsCharCount(text);
    size_t nPad = nWidth > 0 && static_cast<size_t>(nWidth) > nChars ? nWidth - nChars : 0;
    if (!bLeft) {
        out.append(nPad, ' ');
    }
    out.append(text);
    if (bLeft) {
        out.append(nPad, ' ');
    }
}

#if !defined(_WIN32)
locale_t UnicodeLocale() {
    static locale_t loc = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            if (locale_t l = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr))) {
                return l;
            }
        }
        return static_cast<locale_t>(nullptr);
    }();
    return loc;
}
#endif

}  // namespace

std::string ZsFormat(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    std::string s = ZsFormatV(pszFormat, args);
    va_end(args);
    return s;
}

std::string ZsFormatV(const char* pszFormat, va_list argsIn) {
    std::string out;
    if (!pszFormat) {
        return out;
    }
    va_list args;
    va_copy(args, argsIn);
    const char* p = pszFormat;
    while (*p) {
        if (*p != '%') {
            const char* q = p;
            while (*q && *q != '%') {
                ++q;
            }
            out.append(p, static_cast<size_t>(q - p));
            p = q;
            continue;
        }
        const char* start = p++;
        if (*p == '%') {
            out.push_back('%');
            ++p;
            continue;
        }
        std::string spec = "%";
        bool bLeft = false;
        while (*p && std::string_view("-+ #0").find(*p) != std::string_view::npos) {
            bLeft = bLeft || *p == '-';
            spec.push_back(*p++);
        }
        int nWidth = -1;
        if (*p == '*') {
            nWidth = va_arg(args, int);
            if (nWidth < 0) {
                bLeft = true;
                nWidth = -nWidth;
                spec.push_back('-');
            }
            spec += std::to_string(nWidth);
            ++p;
        } else {
            while (*p >= '0' && *p <= '9') {
                nWidth = (nWidth < 0 ? 0 : nWidth * 10) + (*p - '0');
                spec.push_back(*p++);
            }
        }
        int nPrecision = -1;
        if (*p == '.') {
            ++p;
            nPrecision = 0;
            if (*p == '*') {
                nPrecision = va_arg(args, int);
                ++p;
            } else {
                while (*p >= '0' && *p <= '9') {
                    nPrecision = nPrecision * 10 + (*p++ - '0');
                }
            }
            if (nPrecision >= 0) {
                spec += "." + std::to_string(nPrecision);
            }
        }
        std::string length;
        while (*p && std::string_view("hlLzjt").find(*p) != std::string_view::npos) {
            length.push_back(*p++);
        }
        char conv = *p;
        if (!conv) {
            out.append(start);
            break;
        }
        ++p;
        spec += length;
        spec.push_back(conv);
        switch (conv) {
            case 'd':
            case 'i':
                if (length == "ll" || length == "j") {
                    AppendConversion(out, spec, va_arg(args, long long));
                } else if (length == "l" || length == "z" || length == "t") {
                    AppendConversion(out, spec, va_arg(args, long));
                } else {
                    AppendConversion(out, spec, va_arg(args, int));
                }
                break;
            case 'u':
            case 'x':
            case 'X':
            case 'o':
                if (length == "ll" || length == "j") {
                    AppendConversion(out, spec, va_arg(args, unsigned long long));
                } else if (length == "l" || length == "z" || length == "t") {
                    AppendConversion(out, spec, va_arg(args, unsigned long));
                } else {
                    AppendConversion(out, spec, va_arg(args, unsigned int));
                }
                break;
            case 'c': {
                std::string ch;
                ZsAppendUtf8(ch, static_cast<char32_t>(va_arg(args, int)));
                AppendString(out, ch.c_str(), bLeft, nWidth, -1);
                break;
            }
            case 's':
                AppendString(out, va_arg(args, const char*), bLeft, nWidth, nPrecision);
                break;
            case 'p':
                AppendConversion(out, spec, va_arg(args, void*));
                break;
            case 'f':
            case 'F':
            case 'e':
            case 'E':
            case 'g':
            case 'G':
            case 'a':
            case 'A':
                if (length == "L") {
                    AppendConversion(out, spec, va_arg(args, long double));
                } else {
                    AppendConversion(out, spec, va_arg(args, double));
                }
                break;
            default:
                // Unknown conversions (and "%n") are copied as text, never executed.
                out.append(start, static_cast<size_t>(p - start));
                break;
        }
    }
    va_end(args);
    return out;
}

void ZsAppendUtf8(std::string& out, char32_t ch) {
    if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) {
        ch = kReplacement;
    }
    if (ch < 0x80) {
        out.push_back(static_cast<char>(ch));
    } else if (ch < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    } else if (ch < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (ch >> 18)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
    }
}

std::u32string ZsDecodeUtf8(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        size_t len = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2, cp = c & 0x1F, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3, cp = c & 0x0F, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4, cp = c & 0x07, min = 0x10000;
        }
        bool ok = len > 0 && i + len <= text.size();
        for (size_t k = 1; ok && k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            ok = (cc & 0xC0) == 0x80;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) {
            ok = false;
        }
        if (ok) {
            out.push_back(cp);
            i += len;
        } else {
            out.push_back(kReplacement);
            ++i;
        }
    }
    return out;
}

std::string ZsEncodeUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t ch : text) {
        ZsAppendUtf8(out, ch);
    }
    return out;
}

size_t ZsCharCount(std::string_view text) {
    size_t n = 0;
    for (char c : text) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return n;
}

std::u16string ZsUtf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char32_t ch : ZsDecodeUtf8(text)) {
        if (ch >= 0x10000) {
            ch -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (ch >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (ch & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(ch));
        }
    }
    return out;
}

std::string ZsUtf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t ch = text[i];
        if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ch = 0x10000 + ((ch - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (ch >= 0xD800 && ch <= 0xDFFF) {
            ch = kReplacement;
        }
        ZsAppendUtf8(out, ch);
    }
    return out;
}

std::vector<uint8_t> ZsUtf8ToUtf16LE(std::string_view text, bool bBom) {
    std::u16string u16 = ZsUtf8ToUtf16(text);
    std::vector<uint8_t> out;
    out.reserve(2 * u16.size() + 2);
    if (bBom) {
        out.push_back(0xFF);
        out.push_back(0xFE);
    }
    for (char16_t c : u16) {
        out.push_back(static_cast<uint8_t>(c & 0xFF));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
    return out;
}

std::string ZsUtf16LEToUtf8(const uint8_t* pBytes, size_t nBytes) {
    std::u16string u16;
    size_t i = 0;
    if (nBytes >= 2 && pBytes[0] == 0xFF && pBytes[1] == 0xFE) {
        i = 2;
    }
    u16.reserve(nBytes / 2);
    for (; i + 1 < nBytes; i += 2) {
        u16.push_back(static_cast<char16_t>(pBytes[i] | (pBytes[i + 1] << 8)));
    }
    return ZsUtf16ToUtf8(u16);
}

namespace {
// Code points of the bytes 0x80..0x9F in Windows-1252; 0 marks the five undefined bytes.
const char16_t kWin1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                   0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

std::string ZsUtf8ToWin1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t ch : ZsDecodeUtf8(text)) {
        if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) {
            out.push_back(static_cast<char>(ch));
            continue;
        }
        // The five bytes the code page leaves undefined came in as C1 controls and go back unchanged.
        char mapped = ch >= 0x80 && ch < 0xA0 && kWin1252High[ch - 0x80] == 0 ? static_cast<char>(ch) : '?';
        for (int k = 0; k < 32; ++k) {
            if (kWin1252High[k] != 0 && kWin1252High[k] == ch) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

std::string ZsWin1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        unsigned char b = static_cast<unsigned char>(c);
        char32_t ch = b;
        if (b >= 0x80 && b < 0xA0) {
            // The undefined bytes map to the C1 controls of the same value, as the system does.
            ch = kWin1252High[b - 0x80] ? kWin1252High[b - 0x80] : b;
        }
        ZsAppendUtf8(out, ch);
    }
    return out;
}

char32_t ZsToLower(char32_t ch) {
    if (ch < 0x80) {
        return ch >= 'A' && ch <= 'Z' ? ch + 32 : ch;
    }
#if defined(_WIN32)
    return static_cast<char32_t>(towlower(static_cast<wint_t>(ch)));
#else
    if (locale_t loc = UnicodeLocale()) {
        return static_cast<char32_t>(towlower_l(static_cast<wint_t>(ch), loc));
    }
    // Without a Unicode locale, fold at least Latin-1 letters.
    if (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7) {
        return ch + 32;
    }
    return ch;
#endif
}

std::u32string ZsToLower(std::u32string_view text) {
    std::u32string out(text);
    for (char32_t& ch : out) {
        ch = ZsToLower(ch);
    }
    return out;
}

std::string ZsToLower(std::string_view text) {
    bool ascii = true;
    for (char c : text) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    if (ascii) {
        std::string out(text);
        for (char& c : out) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c + 32);
            }
        }
        return out;
    }
    return ZsEncodeUtf8(ZsToLower(ZsDecodeUtf8(text)));
}

bool ZsEqualNoCase(std::string_view a, std::string_view b) {
    return ZsToLower(a) == ZsToLower(b);
}
