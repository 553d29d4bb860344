#include "common/ZsLog.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "common/ZsBase.h"

namespace {

// Owner of the open log file; closed when the process's static objects are destroyed, after every object
// created later (the start-up object among them) has written its last line.
class CZsFile {
public:
    CZsFile() {
        std::filesystem::path path = ZsGetStateDir() / "log.txt";
        mpFile = std::fopen(path.c_str(), "wb");
        if (mpFile) {
            static const unsigned char bom[2] = {0xFF, 0xFE};
            std::fwrite(bom, 1, 2, mpFile);
            std::fflush(mpFile);
        }
    }
    ~CZsFile() {
        if (mpFile) {
            std::fclose(mpFile);
        }
    }
    CZsFile(const CZsFile&) = delete;
    CZsFile& operator=(const CZsFile&) = delete;

    bool WriteLine(const std::string& line) {
        if (!mpFile) {
            return false;
        }
        // Text mode on the program's own platform: every "\n" of the line and its end become CR LF.
        std::string text;
        text.reserve(line.size() + 2);
        for (char c : line) {
            if (c == '\n') {
                text += "\r\n";
            } else {
                text.push_back(c);
            }
        }
        text += "\r\n";
        std::vector<uint8_t> bytes = ZsUtf8ToUtf16LE(text, false);
        bool ok = std::fwrite(bytes.data(), 1, bytes.size(), mpFile) == bytes.size();
        return std::fflush(mpFile) == 0 && ok;
    }

private:
    std::FILE* mpFile = nullptr;
};

CZsFile& LogFile() {
    static CZsFile file;
    return file;
}

ZsLogSink& Sink() {
    static ZsLogSink sink;
    return sink;
}

class CZsDefaultMessageHandler : public CZsMessageHandler {
public:
    int MsgBox(int nType, const std::string& sText) override {
        std::fprintf(stderr, "Pictavo: %s\n", sText.c_str());
        return (nType & 0xF) == ZS_MB_OK ? ZS_IDOK : ZS_IDCANCEL;
    }
};

CZsMessageHandler*& Handler() {
    static CZsMessageHandler* pHandler = nullptr;
    return pHandler;
}

CZsMessageHandler& CurrentHandler() {
    static CZsDefaultMessageHandler defaultHandler;
    CZsMessageHandler* p = Handler();
    return p ? *p : defaultHandler;
}

}  // namespace

bool ZsLog(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    std::string line = ZsFormatV(pszFormat, args);
    va_end(args);
    // Reads on helper threads may log their failures too; lines are never interleaved.
    static std::recursive_mutex mutex;
    const std::lock_guard<std::recursive_mutex> lock(mutex);
    if (Sink()) {
        Sink()(line);
        return true;
    }
    return LogFile().WriteLine(line);
}

void ZsSetLogSink(ZsLogSink sink) {
    Sink() = std::move(sink);
}

std::string ZsErrorText(int nError) {
    if (nError == 0) {
        return std::string();
    }
    return std::strerror(nError);
}

CZsInit::CZsInit(const std::string& sCommandLine) {
    ZsLog("Pictavo %s", PICTAVO_VERSION);
    ZsLog("Command lines: %s\n", sCommandLine.c_str());
}

CZsInit::~CZsInit() {
    ZsLog("%s", "");
    ZsLog("End log");
}

CZsMessageHandler* ZsSetMessageHandler(CZsMessageHandler* pHandler) {
    CZsMessageHandler* pOld = Handler();
    Handler() = pHandler;
    return pOld;
}

int ZsMsgBox(int nType, const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    std::string text = ZsFormatV(pszFormat, args);
    va_end(args);
    return CurrentHandler().MsgBox(nType, text);
}

int CZsMessageHandler::AskRemoveOrDelete(const std::string& sText, const std::string&) {
    MsgBox(ZS_MB_QUESTION, sText);
    return ZS_IDCANCEL;
}

int ZsAskRemoveOrDelete(const char* pszText, const char* pszFirstLabel) {
    return CurrentHandler().AskRemoveOrDelete(pszText ? pszText : "", pszFirstLabel ? pszFirstLabel : "");
}
