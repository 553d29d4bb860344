#include "common/ZsConfig.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "common/ZsBase.h"
#include "common/ZsLog.h"
#include "common/ZsText.h"

namespace {

// A configuration file larger than this is not one the program wrote; it is left unread.
constexpr uint64_t kMaxConfigBytes = UINT64_C(64) << 20;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsSpace(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string DecodeText(const ZsBlock& bytes) {
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        std::string_view text(reinterpret_cast<const char*>(bytes.data()) + 3, bytes.size() - 3);
        return ZsEncodeUtf8(ZsDecodeUtf8(text));
    }
    bool bUtf16 = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    if (!bUtf16 && std::find(bytes.begin(), bytes.end(), 0) == bytes.end()) {
        std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return ZsEncodeUtf8(ZsDecodeUtf8(text));
    }
    return ZsUtf16LEToUtf8(bytes.data(), bytes.size());
}

// A name or value as one line of the file.
std::string OneLine(std::string_view text) {
    std::string s(text);
    std::replace_if(
        s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return s;
}

void AppendEntries(std::string& out, const CZsMemIni::Entries& entries) {
    for (const auto& [key, value] : entries) {
        out += OneLine(key);
        out += '=';
        out += OneLine(value);
        out += "\r\n";
    }
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The number at the start of the text (after white space and a sign), decimal or, with bHex, hexadecimal
// after "0x". None when there is no digit or the number does not fit 32 bits.
std::optional<int> ParseInt(std::string_view s, bool bHex) {
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i])) {
        ++i;
    }
    bool bNegative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        bNegative = s[i] == '-';
        ++i;
    }
    int nBase = 10;
    if (bHex && i + 2 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X') &&
        DigitValue(s[i + 2]) >= 0) {
        nBase = 16;
        i += 2;
    }
    const int64_t nLimit = nBase == 16 ? INT64_C(0xFFFFFFFF) : INT64_C(0x80000000);
    int64_t n = 0;
    size_t nDigits = 0;
    for (; i < s.size(); ++i, ++nDigits) {
        int d = DigitValue(s[i]);
        if (d < 0 || d >= nBase) {
            break;
        }
        n = n * nBase + d;
        if (n > nLimit) {
            return std::nullopt;
        }
    }
    if (nDigits == 0) {
        return std::nullopt;
    }
    if (nBase == 16) {
        n = static_cast<int32_t>(static_cast<uint32_t>(n));
    } else if (!bNegative && n > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(bNegative ? -n : n);
}

}  // namespace

bool CZsMemIni::Load(const std::filesystem::path& path) {
    mPath = path;
    mssRoot.clear();
    mssSections.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return false;
    }
    std::optional<ZsBlock> bytes = ZsReadFile(path, kMaxConfigBytes);
    if (!bytes) {
        ZS_LOG_ERR("CZsMemIni::Load", "'%s' cannot be read or is larger than %d MiB",
                   ZsPathToUtf8(path).c_str(), static_cast<int>(kMaxConfigBytes >> 20));
        return false;
    }
    std::string text = DecodeText(*bytes);
    Entries* pEntries = &mssRoot;
    size_t nStart = 0;
    while (nStart <= text.size()) {
        size_t nEnd = text.find('\n', nStart);
        if (nEnd == std::string::npos) {
            nEnd = text.size();
        }
        std::string_view line = Trim(std::string_view(text).substr(nStart, nEnd - nStart));
        nStart = nEnd + 1;
        if (line.empty()) {
            continue;
        }
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            pEntries = &mssSections[std::string(line.substr(1, line.size() - 2))];
            pEntries->clear();
            continue;
        }
        size_t nEq = line.find('=');
        if (nEq == 0) {
            (*pEntries)[std::string()] = std::string();
        } else if (nEq == std::string_view::npos) {
            (*pEntries)[std::string(line)] = std::string();
        } else {
            (*pEntries)[std::string(line.substr(0, nEq))] = std::string(line.substr(nEq + 1));
        }
    }
    return true;
}

bool CZsMemIni::WriteFile() const {
    if (mPath.empty()) {
        return false;
    }
    std::string text;
    AppendEntries(text, mssRoot);
    if (!mssRoot.empty()) {
        text += "\r\n";
    }
    for (const auto& [name, entries] : mssSections) {
        text += '[';
        text += OneLine(name);
        text += "]\r\n";
        AppendEntries(text, entries);
        text += "\r\n";
    }
    return ZsWriteFileAtomic(mPath, ZsUtf8ToUtf16LE(text, true));
}

bool CZsMemIni::Save() const {
    if (!WriteFile()) {
        ZS_LOG_ERR("CZsMemIni::Save", "'%s'", ZsPathToUtf8(mPath).c_str());
        return false;
    }
    return true;
}

const CZsMemIni::Entries* CZsMemIni::FindSection(const char* pszSection) const {
    if (!pszSection) {
        return &mssRoot;
    }
    auto it = mssSections.find(std::string_view(pszSection));
    return it == mssSections.end() ? nullptr : &it->second;
}

CZsMemIni::Entries* CZsMemIni::SectionFor(const char* pszSection) {
    if (!pszSection) {
        return &mssRoot;
    }
    auto it = mssSections.find(std::string_view(pszSection));
    if (it == mssSections.end()) {
        it = mssSections.emplace(pszSection, Entries()).first;
    }
    return &it->second;
}

std::string CZsMemIni::GetString(std::string_view key, std::string_view def, const char* pszSection) const {
    const Entries* pEntries = FindSection(pszSection);
    if (!pEntries) {
        return std::string(def);
    }
    auto it = pEntries->find(key);
    return it == pEntries->end() ? std::string(def) : it->second;
}

int CZsMemIni::GetInt(std::string_view key, int nDefault, const char* pszSection) const {
    std::string text = GetString(key, ZsFormat("%d", nDefault), pszSection);
    return ParseInt(text, true).value_or(nDefault);
}

void CZsMemIni::SetString(std::string_view key, std::string_view value, const char* pszSection) {
    Entries* pEntries = SectionFor(pszSection);
    auto it = pEntries->find(key);
    if (it == pEntries->end()) {
        pEntries->emplace(std::string(key), std::string(value));
    } else {
        it->second = std::string(value);
    }
}

void CZsMemIni::SetInt(std::string_view key, int nValue, const char* pszSection) {
    SetString(key, ZsFormat("%d", nValue), pszSection);
}

std::vector<std::string> CZsMemIni::GetList(const char* pszSection) const {
    std::vector<std::string> values;
    const Entries* pEntries = FindSection(pszSection);
    if (!pEntries) {
        return values;
    }
    for (size_t n = 0;; ++n) {
        auto it = pEntries->find(std::to_string(n));
        if (it == pEntries->end()) {
            return values;
        }
        values.push_back(it->second);
    }
}

void CZsMemIni::SetList(const char* pszSection, const std::vector<std::string>& values) {
    Entries* pEntries = SectionFor(pszSection);
    pEntries->clear();
    for (size_t n = 0; n < values.size(); ++n) {
        pEntries->emplace(std::to_string(n), values[n]);
    }
}

std::vector<int> CZsMemIni::GetIntList(const char* pszSection) const {
    std::vector<int> values;
    std::string text = GetString(ZS_KEY_SEL_FMTS, "", pszSection);
    if (text.empty()) {
        return values;
    }
    std::string_view rest(text);
    while (true) {
        size_t nSep = rest.find(';');
        values.push_back(ParseInt(rest.substr(0, nSep), false).value_or(0));
        if (nSep == std::string_view::npos) {
            return values;
        }
        rest.remove_prefix(nSep + 1);
    }
}

void CZsMemIni::SetIntList(const char* pszSection, const std::vector<int>& values) {
    std::string text;
    for (size_t n = 0; n < values.size(); ++n) {
        if (n > 0) {
            text += ';';
        }
        text += std::to_string(values[n]);
    }
    SetString(ZS_KEY_SEL_FMTS, text, pszSection);
}

std::filesystem::path ZsGetConfigPath() {
    return ZsGetConfigDir() / "config.ini";
}

CZsConfig& ZsGetConfig() {
    static CZsConfig config(ZsGetConfigPath());
    return config;
}
