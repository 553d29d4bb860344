// Text helpers of the core: printf-style formatting whose widths count characters, conversions between
// UTF-8 (the core's strings), UTF-16 (the program's own files) and Windows-1252 (classic icon libraries),
// and case folding that works for non-ASCII letters.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#if defined(__GNUC__)
#define ZS_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define ZS_PRINTF(fmt, args)
#endif

// printf-style formatting into a string of exactly the formatted length. "%s" takes UTF-8 text; its width
// and precision count characters, not bytes, so "%-16s" pads names with non-ASCII letters correctly.
std::string ZsFormat(const char* pszFormat, ...) ZS_PRINTF(1, 2);
std::string ZsFormatV(const char* pszFormat, va_list args);

// UTF-8 <-> code points. Malformed bytes decode to U+FFFD, one per byte.
std::u32string ZsDecodeUtf8(std::string_view text);
std::string ZsEncodeUtf8(std::u32string_view text);
void ZsAppendUtf8(std::string& out, char32_t ch);
size_t ZsCharCount(std::string_view text);

// UTF-8 <-> UTF-16. Unpaired surrogates become U+FFFD.
std::u16string ZsUtf8ToUtf16(std::string_view text);
std::string ZsUtf16ToUtf8(std::u16string_view text);

// UTF-16LE bytes (with an optional byte-order mark) and back. Reading accepts and drops a leading BOM; an
// odd trailing byte is ignored.
std::vector<uint8_t> ZsUtf8ToUtf16LE(std::string_view text, bool bBom);
std::string ZsUtf16LEToUtf8(const uint8_t* pBytes, size_t nBytes);

// Windows-1252, the code page of names stored in classic icon libraries. Characters it cannot represent
// become "?".
std::string ZsUtf8ToWin1252(std::string_view text);
std::string ZsWin1252ToUtf8(std::string_view bytes);

// Case folding for case-insensitive comparisons; full Unicode simple lower-case mapping.
char32_t ZsToLower(char32_t ch);
std::string ZsToLower(std::string_view text);
std::u32string ZsToLower(std::u32string_view text);
bool ZsEqualNoCase(std::string_view a, std::string_view b);
