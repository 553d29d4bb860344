// Verbs on classic icon libraries and modules: info for .icl/.exe/.dll, extract and make-icl.
#include <cstdio>
#include <set>

#include "cli/Cli.h"
#include "common/ZsBase.h"
#include "icon/ZsIclWriter.h"
#include "icon/ZsIcon.h"
#include "icon/ZsIconLibrary.h"
#include "icon/ZsIconSource.h"

namespace {

const char* KindName(int nType) {
    return nType == CIconLibrary::TYPE_NE ? "ne" : "pe";
}

bool MatchModule(const std::filesystem::path& path, const std::vector<uint8_t>& head) {
    return head.size() >= 2 && head[0] == 'M' && head[1] == 'Z' &&
           CIconLibrary::GetFileKind(path) != CIconLibrary::TYPE_UNKNOWN;
}

int OpenFailed(const std::string& sFile, const CIconSource& source) {
    return CliFail("cannot read '%s' as an icon library or module: %s.", sFile.c_str(),
                   source.GetError().c_str());
}

int ShowModule(const std::filesystem::path& path, const std::string& sFile, bool bJson) {
    CIconSource source;
    if (!source.Open(path, ZI_SOURCE_MODULE)) {
        return OpenFailed(sFile, source);
    }
    const int nType = source.GetModuleType();
    const int nCount = source.GetCount();
    int rc = CLI_OK;
    CCliJson json = CCliJson::Object();
    json.Set("file", sFile);
    json.Set("kind", KindName(nType));
    CCliJson& groups = json.Set("groups", CCliJson::Array());
    if (!bJson) {
        std::printf("%s: %s, %d icon group%s\n", sFile.c_str(),
                    nType == CIconLibrary::TYPE_NE ? "NE icon library" : "PE module", nCount,
                    nCount == 1 ? "" : "s");
    }
    for (int i = 0; i < nCount; ++i) {
        const std::string sName = source.GetName(i);
        ZsBlock data = source.GetData(i);
        if (data.empty()) {
            rc = CLI_FAILED;
        }
        if (bJson) {
            CCliJson group = CCliJson::Object();
            group.Set("index", i);
            group.Set("name", sName);
            group.Set("readable", !data.empty());
            group.Set("images", CliImagesJson(data));
            groups.Push(std::move(group));
            continue;
        }
        std::printf("  %-4d %-24s", i, sName.c_str());
        if (data.empty()) {
            std::printf(" (unreadable)\n");
            continue;
        }
        std::vector<ZI_ENTRY> entries = ZI_GetEntries(data);
        for (size_t k = 0; k < entries.size(); ++k) {
            std::printf("%s%s", k ? ", " : " ", ZI_GetFormatName(entries[k].Format()).c_str());
        }
        std::printf("\n");
    }
    if (bJson) {
        std::printf("%s\n", json.Dump().c_str());
        CliJsonPrinted();
    }
    if (rc != CLI_OK) {
        CliFail("some icon groups of '%s' cannot be read.", sFile.c_str());
    }
    return rc;
}

int Extract(CCliArgs& args) {
    std::vector<std::string> files;
    if (!args.Positionals(files) || files.size() != 2) {
        return CliUsage("extract takes a file and a folder.");
    }
    CCliInput input;
    int nCode = CLI_OK;
    if (!CliNotStdio(files[1], "the folder", nCode) || !input.Open(files[0], nCode)) {
        return nCode;
    }
    const std::filesystem::path& in = input.Path();
    const std::filesystem::path dir = CliPath(files[1]);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec)) {
        return CliFail("cannot create the folder '%s'.", CliShow(dir).c_str());
    }
    // Groups of the same name in one file do not overwrite each other.
    std::set<std::filesystem::path> written;
    CCliJson& report = CliReport().Set("written", CCliJson::Array());
    auto write = [&](const std::string& sName, ZsBytes data) {
        std::filesystem::path out = dir / ZsPathFromUtf8(ZsMakeFileName(sName) + ".ico");
        if (written.count(out)) {
            out = ZsUniqueFilePath(dir, ZsMakeFileName(sName), "ico");
        }
        written.insert(out);
        if (!ZsWriteFile(out, data)) {
            CliRefused(CliShow(out), "cannot be written", sName);
            CliFailRefused("cannot write '%s'.", CliShow(out).c_str());
            return false;
        }
        CliData("%s", CliShow(out).c_str());
        report.Push(CliShow(out));
        return true;
    };

    // A module by its headers, whatever its name; anything else must be an icon file.
    const ZI_SOURCE_KIND nKind =
        CIconLibrary::GetFileKind(in) != CIconLibrary::TYPE_UNKNOWN ? ZI_SOURCE_MODULE : ZI_SOURCE_ICO;
    CIconSource source;
    if (!source.Open(in, nKind)) {
        return nKind == ZI_SOURCE_MODULE ? OpenFailed(input.Shown(), source)
                                         : CliFail("cannot read '%s'.", input.Shown().c_str());
    }
    int rc = CLI_OK;
    CliReport().Set("groups", source.GetCount());
    for (int i = 0; i < source.GetCount(); ++i) {
        const std::string sName = source.GetName(i);
        ZsBlock data = source.GetData(i);
        if (nKind == ZI_SOURCE_ICO && !ZI_IsValidIcon(data)) {
            return CliFail("'%s' is neither an icon file nor an icon library or module.",
                           input.Shown().c_str());
        }
        if (data.empty()) {
            CliRefused(input.Shown(), ZsFormat("icon group %d cannot be read", i), sName);
            rc = CliFailRefused("cannot read icon group %d ('%s') of '%s'.", i, sName.c_str(),
                                input.Shown().c_str());
            continue;
        }
        if (!write(sName, data)) {
            rc = CLI_FAILED;
        }
    }
    return rc;
}

int MakeIcl(CCliArgs& args) {
    std::vector<std::string> files;
    if (!args.Positionals(files) || files.size() < 2) {
        return CliUsage("make-icl takes the library to write and at least one icon file.");
    }
    CCliOutput out;
    int nCode = CLI_OK;
    if (!out.Open(files[0], "icl", nCode)) {
        return nCode;
    }
    std::vector<std::pair<std::string, ZsBlock>> icons;
    for (size_t i = 1; i < files.size(); ++i) {
        CCliInput in;
        if (!in.Open(files[i], nCode)) {
            return nCode;
        }
        std::optional<ZsBlock> data = ZsReadFile(in.Path());
        if (!data) {
            return CliFail("cannot read '%s'.", in.Shown().c_str());
        }
        if (!ZI_IsValidIcon(*data)) {
            return CliFail("'%s' is not an icon file.", in.Shown().c_str());
        }
        icons.emplace_back(ZsGetPathTitle(CliShow(in.Path())), std::move(*data));
    }
    CIconLibraryWriter writer;
    if (!writer.Begin(out.Path())) {
        return CLI_FAILED;
    }
    for (const auto& [sName, data] : icons) {
        writer.AddIcon(data, sName);
    }
    int rc = CLI_OK;
    const std::vector<std::string> failed = writer.GetFailedNames();
    for (const std::string& sName : failed) {
        CliRefused(files[0], "cannot be written into the library", sName);
        rc = CliFailRefused("cannot write the icon '%s' into '%s'.", sName.c_str(), out.Shown().c_str());
    }
    if (writer.End() != ZI_UPDATE_OK) {
        rc = CliFail("cannot write the icon names into '%s'.", out.Shown().c_str());
    }
    if (rc == CLI_OK && !out.Commit()) {
        rc = CLI_FAILED;
    }
    CliReport().Set("icons", static_cast<int64_t>(icons.size() - failed.size()));
    CliReport().Set("written", out.Shown());
    return rc;
}

const CLI_VERB kVerbs[] = {
    {"extract", "extract FILE DIR                   write every icon group of a module as DIR/<name>.ico",
     Extract,
     "Writes every icon group of a classic icon library (.icl), program or DLL as an icon file named\n"
     "after the group (unnamed groups \"<file title> (<n>)\"), byte for byte as stored; the icon of an\n"
     "icon file is written as it is. FILE may be \"-\" (standard input; its title is \"stdin\"). The files\n"
     "written are printed one a line; --json reports them with the groups refused.\n"
     "\n"
     "  pictavo-cli extract shell.icl icons"},
    {"make-icl", "make-icl OUT.icl ICO...            write a PE icon library, one group per icon file",
     MakeIcl,
     "Writes a classic icon library in the PE layout holding one icon group per icon file, named by\n"
     "the file's title. OUT may be \"-\" (standard output), one ICO \"-\" (standard input, named "
     "\"stdin\").\n"
     "--json reports the icons written and those refused.\n"
     "\n"
     "  pictavo-cli make-icl set.icl a.ico b.ico c.ico"},
};

}  // namespace

std::span<const CLI_VERB> CliModuleVerbs() {
    return kVerbs;
}

CLI_INFO_KIND CliModuleInfo() {
    return {MatchModule, ShowModule};
}
