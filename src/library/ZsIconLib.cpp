#include "library/ZsIconLib.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "common/ZsByteReader.h"
#include "common/ZsEndSignals.h"
#include "common/ZsLog.h"
#include "common/ZsText.h"
#include "icon/ZsIconSource.h"
#include "library/ZsLibSchema.h"

namespace {

// Names and keywords end at a NUL (the statements that store them are NUL-terminated text) and after at most
// nMaxChars characters.
std::string CleanText(std::string_view text, size_t nMaxChars) {
    text = text.substr(0, text.find('\0'));
    size_t nChars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && nChars++ == nMaxChars) {
            return std::string(text.substr(0, i));
        }
    }
    return std::string(text);
}

// Whether the file begins as every SQLite database does; none, with errno set, when it cannot be read.
std::optional<bool> HasDatabaseSignature(const std::filesystem::path& path) {
    static constexpr char kSignature[] = "SQLite format 3";
    errno = 0;
    const std::optional<ZsBlock> head = ZsReadFileHead(path, sizeof kSignature);
    if (!head) {
        return std::nullopt;
    }
    return head->size() == sizeof kSignature && std::memcmp(head->data(), kSignature, sizeof kSignature) == 0;
}

// The ids of a category's list as stored. A list names each icon once; repeats in a file are dropped here,
// once, the first of each kept in place, so that no pass over the list does the same work again. Seen ids
// are marked in a bitmap over their range where that is small, else in a hash set (ids far apart).
void ReadUniqueIds(ZsBytes blob, ZIL_LIST& list) {
    CZsByteReader reader(blob);
    const size_t nCount = blob.size() / 4;
    list.reserve(nCount);
    for (uint64_t off = 0; reader.Has(off, 4); off += 4) {
        list.push_back(static_cast<int32_t>(reader.U32At(off)));
    }
    if (list.empty()) {
        return;
    }
    const auto [pLow, pHigh] = std::minmax_element(list.begin(), list.end());
    const int64_t nLow = *pLow;
    const int64_t nRange = static_cast<int64_t>(*pHigh) - nLow + 1;
    std::vector<bool> seenBits;
    std::unordered_set<int32_t> seenSet;
    const bool bBits = nRange <= 64 * static_cast<int64_t>(nCount) + 4096;
    if (bBits) {
        seenBits.assign(static_cast<size_t>(nRange), false);
    }
    const auto firstTime = [&](int32_t nId) {
        if (!bBits) {
            return seenSet.insert(nId).second;
        }
        auto bit = seenBits[static_cast<size_t>(nId - nLow)];
        return bit ? false : (bit = true, true);
    };
    size_t nKept = 0;
    for (const int32_t nId : list) {
        if (firstTime(nId)) {
            list[nKept++] = nId;
        }
    }
    list.resize(nKept);
}

// A title as the 512-byte field of a tree record: at most 255 UTF-16 units, never half a surrogate pair,
// NUL-terminated, zero-filled.
void PutTitle(uint8_t* pField, const std::string& sTitle) {
    std::u16string w = ZsUtf8ToUtf16(sTitle);
    size_t n = std::min(w.size(), ZIL_TITLE_UNITS - 1);
    if (n < w.size() && n > 0 && w[n - 1] >= 0xD800 && w[n - 1] <= 0xDBFF) {
        --n;
    }
    std::memset(pField, 0, ZIL_TITLE_UNITS * 2);
    for (size_t i = 0; i < n; ++i) {
        ZsSetU16(pField + 2 * i, static_cast<uint16_t>(w[i]));
    }
}

}  // namespace

CZsIconLib::~CZsIconLib() {
    Close();
}

void CZsIconLib::Close() {
    mmapNodes.clear();
    mmapIcons.clear();
    mvIconIndex.clear();
    mCachedData.clear();
    mnCachedBytes = 0;
    mUnsaved.clear();
    mnUnsavedBytes = 0;
    msetUnreadable.clear();
    mbUnreadableNoticed = false;
    mbUnreadableTold = false;
    DropStage();
    CloseDb();
    msDamage.clear();
    mnDataVersion.reset();
    mnSeenVersion.reset();
}

bool CZsIconLib::NewLib() {
    Close();
    mPath.clear();
    std::memset(mnReserved, 0, sizeof(mnReserved));
    mnNextNode = 1;
    mnNextIcon = 1;
    mnFileNextIcon = 1;
    if (!mpTree) {
        return true;
    }
    mpTree->DeleteAllItems();
    ZsTreeItem all = mpTree->InsertItem("My Icons", ZIL_IMAGE_ALL, ZIL_IMAGE_ALL, ZIL_ID_ALL);
    ZsTreeItem cat1 =
        mpTree->InsertItem("Sample Category 1", ZIL_IMAGE_NODE, ZIL_IMAGE_NODE, NewNodeId(), all);
    mpTree->InsertItem("Sample Subcategory 1", ZIL_IMAGE_NODE, ZIL_IMAGE_NODE, NewNodeId(), cat1);
    mpTree->InsertItem("Sample Subcategory 2", ZIL_IMAGE_NODE, ZIL_IMAGE_NODE, NewNodeId(), cat1);
    mpTree->InsertItem("Sample Category 2", ZIL_IMAGE_NODE, ZIL_IMAGE_NODE, NewNodeId(), all);
    mpTree->InsertItem("Sample Category 3", ZIL_IMAGE_NODE, ZIL_IMAGE_NODE, NewNodeId(), all);
    mpTree->InsertItem("Find Results", ZIL_IMAGE_FIND, ZIL_IMAGE_FIND, ZIL_ID_FIND);
    return true;
}

bool CZsIconLib::Load(const std::filesystem::path& path, ZS_SQL_OPEN nMode) {
    Close();
    mPath.clear();
    msLoadError.clear();
    std::string sPath = ZsPathToUtf8(path);
    std::error_code ec;
    // Opening creates a missing file; a library that is not there must stay not there.
    if (!std::filesystem::is_regular_file(path, ec)) {
        msLoadError = std::filesystem::exists(path, ec) ? "It is not a file." : "The file does not exist.";
        errno = ENOENT;
        ZS_LOG_ERR("CZsIconLib::Load", "'%s' is not a file", sPath.c_str());
        return false;
    }
    const std::optional<bool> bDatabase = HasDatabaseSignature(path);
    const int nReadError = errno;
    if (!Open(path, nMode == ZS_SQL_READ_WRITE ? ZS_SQL_EXISTING : nMode)) {
        msLoadError = "The file cannot be opened as a library.";
        return false;
    }
    // Nothing of the file is read before its schema is known to be a library's and nothing else.
    std::string sForeign;
    const ZIL_SCHEMA_STATE nSchema = ZsCheckLibrarySchema(*this, &sForeign);
    if (nSchema == ZIL_SCHEMA_FOREIGN) {
        ZS_LOG_ERR("CZsIconLib::Load", "'%s': %s", sPath.c_str(), sForeign.c_str());
        msLoadError = std::move(sForeign);
        Close();
        return false;
    }
    std::optional<ZsBytes> header;
    if (nSchema == ZIL_SCHEMA_OK) {
        header = QueryBlob(ZsFormat("select data from main where id=%d;", 1));
    }
    if (!header || header->size() != ZIL_HEADER_SIZE) {
        const std::string sError = LastError();
        ZS_LOG_ERR("CZsIconLib::Load", "'%s': no library header (%s)", sPath.c_str(),
                   header ? ZsFormat("%zu bytes", header->size()).c_str() : sError.c_str());
        const size_t nHeaderBytes = header ? header->size() : 0;
        if (!header && LastErrorCode() == ZS_SQL_BUSY) {
            msLoadError = ZsFormat("Another program kept the library locked for more than %d seconds.",
                                   ZS_SQL_BUSY_TIMEOUT_MS / 1000);
        } else if (!bDatabase) {
            msLoadError = ZsFormat("The file cannot be read (%s).", ZsErrorText(nReadError).c_str());
        } else if (!*bDatabase || QueryExists("select 1 from sqlite_master where name='main';") == 0) {
            msLoadError = "The file is not an extended icon library.";
        } else if (header) {
            msLoadError = ZsFormat("The library is damaged: its header is %zu bytes long instead of %zu.",
                                   nHeaderBytes, ZIL_HEADER_SIZE);
        } else if (QueryExists("select 1 from main where id=1;") == 0) {
            msLoadError = "The library is damaged: its header is missing.";
        } else {
            msLoadError = ZsFormat("The library is damaged (%s).", sError.c_str());
        }
        Close();
        return false;
    }
    CZsByteReader hdr(*header);
    std::memcpy(mnReserved, header->data(), sizeof(mnReserved));
    hdr.Skip(8);
    mnNextNode = static_cast<int32_t>(hdr.U32());
    mnNextIcon = static_cast<int32_t>(hdr.U32());
    Finalize();

    std::optional<ZsBytes> tree = QueryBlob(ZsFormat("select data from main where id=%d;", 2));
    if (!tree || tree->size() <= ZIL_TREE_ITEM_SIZE || tree->size() % ZIL_TREE_ITEM_SIZE != 0) {
        ZS_LOG_ERR("CZsIconLib::Load", "'%s': bad category tree (%s)", sPath.c_str(),
                   tree ? ZsFormat("%zu bytes", tree->size()).c_str() : LastError().c_str());
        msLoadError = "The library is damaged: its category tree cannot be read.";
        Close();
        return false;
    }
    int nItems = static_cast<int>(tree->size() / ZIL_TREE_ITEM_SIZE);
    // Ids are never handed out twice, even when a damaged header says otherwise.
    int32_t nMaxNode = 0;
    for (size_t i = 0; i < tree->size(); i += ZIL_TREE_ITEM_SIZE) {
        nMaxNode = std::max(nMaxNode, static_cast<int32_t>(CZsByteReader(*tree).U32At(i + 4)));
    }
    if (mpTree) {
        RebuildTree(*tree);
    }
    Finalize();
    std::optional<int64_t> nMaxIcon = QueryInt("select max(id) from icons;");
    if (!nMaxIcon) {
        NoteDamage("its table of icons");
    }
    if (nMaxNode >= mnNextNode || (nMaxIcon && *nMaxIcon >= mnNextIcon)) {
        ZS_LOG_ERR("CZsIconLib::Load", "'%s': next ids %d/%d below the ids in use", sPath.c_str(), mnNextNode,
                   mnNextIcon);
        if (nMaxNode >= mnNextNode) {
            mnNextNode = nMaxNode == INT32_MAX ? INT32_MAX : nMaxNode + 1;
        }
        if (nMaxIcon && *nMaxIcon >= mnNextIcon) {
            mnNextIcon = *nMaxIcon >= INT32_MAX ? INT32_MAX : static_cast<int32_t>(*nMaxIcon + 1);
        }
    }
    ClearLastErrorCode();
    std::optional<int64_t> nAllBytes =
        QueryInt(ZsFormat("select length(data) from nodes where id=%d;", ZIL_ID_ALL));
    if (!nAllBytes && LastErrorCode() != 0) {
        NoteDamage("the list of \"My Icons\"");
    }
    mPath = path;
    mnFileNextIcon = mnNextIcon;
    mnDataVersion = DataVersion();
    mnSeenVersion = mnDataVersion;
    ZsLog("%s loaded (%d nodes, %d icons, last node:%d, last icon:%d)", sPath.c_str(), nItems,
          static_cast<int>(nAllBytes.value_or(0) / 4), mnNextNode, mnNextIcon);
    return true;
}

void CZsIconLib::RebuildTree(ZsBytes blob) {
    mpTree->DeleteAllItems();
    CZsByteReader reader(blob);
    ZsTreeItem current = ZS_TI_NONE;
    int64_t nLevel = 0;  // level of current
    for (uint64_t off = 0; reader.Has(off, ZIL_TREE_ITEM_SIZE); off += ZIL_TREE_ITEM_SIZE) {
        int64_t nDepth = static_cast<int32_t>(reader.U32At(off));
        int32_t nId = static_cast<int32_t>(reader.U32At(off + 4));
        int nImage = static_cast<int32_t>(reader.U32At(off + 8));
        int nSelImage = static_cast<int32_t>(reader.U32At(off + 12));
        std::u16string w;
        // At most 255 units, as a save writes them, even when a damaged record has no terminating NUL.
        for (uint64_t i = 0; i + 1 < ZIL_TITLE_UNITS; ++i) {
            char16_t c = static_cast<char16_t>(reader.U16At(off + 16 + 2 * i));
            if (!c) {
                break;
            }
            w.push_back(c);
        }
        int64_t nMoves = 0;
        if (nDepth == nLevel) {
            nMoves = 1;
        } else if (nDepth < nLevel) {
            nMoves = nLevel - nDepth + 1;
        }
        for (int64_t k = 0; k < nMoves && current != ZS_TI_NONE; ++k) {
            current = mpTree->GetParentItem(current);
            --nLevel;
        }
        if (current == ZS_TI_NONE) {
            nLevel = -1;
        }
        current = mpTree->InsertItem(ZsUtf16ToUtf8(w), nImage, nSelImage, nId, current);
        ++nLevel;
    }
}

bool CZsIconLib::CreateTables() {
    CZsSqlTransaction trans(*this);
    bool bOk = trans.Active() && Exec(ZsFormat("pragma application_id=%d;", ZIL_APPLICATION_ID)) &&
               Exec("create table main(id integer primary key, data blob);") &&
               Exec("create table nodes(id integer primary key, data blob);") &&
               Exec(
                   "create table icons(id integer primary key, data blob, name nvarchar(256), "
                   "kwds nvarchar(256));") &&
               Exec(ZsFormat("insert into main(id) values(%d);", 1)) &&
               Exec(ZsFormat("insert into main(id) values(%d);", 2));
    return bOk && trans.Commit();
}

bool CZsIconLib::WriteTree(int& nTreeItems) {
    nTreeItems = 0;
    if (!mpTree) {
        return true;
    }
    ZsBlock records(static_cast<size_t>(mpTree->GetCount()) * ZIL_TREE_ITEM_SIZE);
    // Pre-order with an explicit stack: items read from a file may nest arbitrarily deep.
    std::vector<std::pair<ZsTreeItem, int32_t>> stack;
    for (ZsTreeItem item = mpTree->GetLastChildItem(ZS_TI_NONE); item != ZS_TI_NONE;
         item = mpTree->GetPrevSiblingItem(item)) {
        stack.emplace_back(item, 0);
    }
    size_t off = 0;
    while (!stack.empty() && off + ZIL_TREE_ITEM_SIZE <= records.size()) {
        auto [item, nDepth] = stack.back();
        stack.pop_back();
        int nImage = 0, nSelImage = 0;
        mpTree->GetItemImage(item, nImage, nSelImage);
        uint8_t* p = records.data() + off;
        ZsSetU32(p, static_cast<uint32_t>(nDepth));
        ZsSetU32(p + 4, static_cast<uint32_t>(mpTree->GetItemData(item)));
        ZsSetU32(p + 8, static_cast<uint32_t>(nImage));
        ZsSetU32(p + 12, static_cast<uint32_t>(nSelImage));
        PutTitle(p + 16, mpTree->GetItemText(item));
        off += ZIL_TREE_ITEM_SIZE;
        for (ZsTreeItem child = mpTree->GetLastChildItem(item); child != ZS_TI_NONE;
             child = mpTree->GetPrevSiblingItem(child)) {
            stack.emplace_back(child, nDepth + 1);
        }
    }
    nTreeItems = static_cast<int>(off / ZIL_TREE_ITEM_SIZE);
    return ExecBlob(ZsFormat("update main set data=? where id=%d;", 2), records.data(), off) &&
           Stored("the category tree");
}

bool CZsIconLib::WriteNodes() {
    ZsBlock bytes;
    for (auto& [nId, node] : mmapNodes) {
        if (node.nFlags & ZIL_DELETED) {
            if (!Exec(ZsFormat("delete from nodes where id=%d;", nId))) {
                return false;
            }
            continue;
        }
        if (!(node.nFlags & ZIL_DIRTY_DATA)) {
            continue;
        }
        int nExists = QueryExists(ZsFormat("select id from nodes where id=%d;", nId));
        if (nExists < 0) {
            return false;
        }
        bytes.clear();
        if (node.list) {
            bytes.reserve(node.list->size() * 4);
            for (int32_t nIcon : *node.list) {
                ZsPutU32(bytes, static_cast<uint32_t>(nIcon));
            }
        }
        std::string sql = nExists ? ZsFormat("update nodes set data=? where id=%d;", nId)
                                  : ZsFormat("insert into nodes(id, data) values(%d, ?);", nId);
        if (!ExecBlob(sql, bytes.empty() ? nullptr : bytes.data(), bytes.size()) ||
            !Stored(ZsFormat("the list of category %d", nId))) {
            return false;
        }
    }
    return true;
}

bool CZsIconLib::WriteIcons() {
    // New rows, usually most of what a save writes after an import, go through statements prepared once.
    CZsSqlStatement insert, insertStaged, readBack, stagedLength;
    auto prepare = [&](CZsSqlStatement& statement, const char* pszSql) -> CZsSqlStatement& {
        if (!statement.IsReady()) {
            statement = PrepareStatement(pszSql);
        }
        return statement;
    };
    // A new row gets its name and keywords with its data: updating them afterwards would write the whole row,
    // data and all, a second time. A copy of a file that another program added rows to may hold a row of that
    // id already: the row is the new icon's, whole. Only a row of the same id gives way: a conflict on
    // anything else fails, or changes nothing when the table says so, and is then told by Stored.
    auto insertRow = [&](int32_t nId, const ZIL_ICON& icon, uint8_t nFlags) {
        const bool bStaged = !icon.data && icon.bStaged;
        CZsSqlStatement& statement =
            bStaged
                ? prepare(insertStaged,
                          "insert into icons(id, data, name, kwds) values(?1, (select data from stage.icons "
                          "where id=?1), ?3, ?4) on conflict(id) do update set data=excluded.data, "
                          "name=excluded.name, kwds=excluded.kwds;")
                : prepare(insert,
                          "insert into icons(id, data, name, kwds) values(?1, ?2, ?3, ?4) on conflict(id) "
                          "do update set data=excluded.data, name=excluded.name, kwds=excluded.kwds;");
        return statement.BindInt(1, nId) &&
               (bStaged || statement.BindBlob(2, icon.data ? ZsBytes(*icon.data) : ZsBytes())) &&
               statement.BindText(3, (nFlags & ZIL_DIRTY_NAME) ? icon.name.value_or("") : "") &&
               statement.BindText(4, (nFlags & ZIL_DIRTY_KWDS) ? icon.kwds.value_or("") : "") &&
               statement.Run() && Stored(ZsFormat("icon %d", nId));
    };
    // What a row holds after its data was written is read back: as many bytes as were written, none for
    // an icon without data.
    auto dataStored = [&](int32_t nId, const ZIL_ICON& icon) {
        std::optional<int64_t> nWritten;
        if (icon.data) {
            nWritten = icon.data->empty() ? std::nullopt : std::optional<int64_t>(icon.data->size());
        } else if (icon.bStaged) {
            CZsSqlStatement& length =
                prepare(stagedLength, "select length(data) from stage.icons where id=?;");
            nWritten = length.BindInt(1, nId) ? length.RunInt() : std::nullopt;
            if (!nWritten) {
                msSaveError = ZsFormat("the unsaved data of icon %d is missing from the staging file", nId);
                return false;
            }
        }
        CZsSqlStatement& read = prepare(readBack, "select length(data) from icons where id=?;");
        const std::optional<int64_t> nRead = read.BindInt(1, nId) ? read.RunInt() : std::nullopt;
        if (nRead != nWritten) {
            msSaveError = ZsFormat("icon %d was stored with %lld of its %lld bytes", nId,
                                   static_cast<long long>(nRead.value_or(0)),
                                   static_cast<long long>(nWritten.value_or(0)));
            ZS_LOG_ERR("CZsIconLib::Save", "'%s': %s", ZsPathToUtf8(mPath).c_str(), msSaveError.c_str());
            return false;
        }
        return true;
    };
    // A name or keywords of an icon that has no row (a damaged file's list may name one) have nowhere to go.
    auto textStored = [&](const char* pszWhat, int32_t nId) {
        if (Changes() == 0 && QueryExists(ZsFormat("select id from icons where id=%d;", nId)) == 0) {
            ZsLog("%s: icon %d has no row for its %s", ZsPathToUtf8(mPath).c_str(), nId, pszWhat);
            return true;
        }
        return Stored(ZsFormat("the %s of icon %d", pszWhat, nId));
    };
    for (auto& [nId, icon] : mmapIcons) {
        if (icon.nFlags & ZIL_DELETED) {
            if (!Exec(ZsFormat("delete from icons where id=%d;", nId))) {
                return false;
            }
            continue;
        }
        uint8_t nFlags = icon.nFlags;
        if (nFlags & ZIL_DIRTY_DATA) {
            // Ids handed out since the file was read or saved have no row there.
            const int nExists =
                nId >= mnFileNextIcon ? 0 : QueryExists(ZsFormat("select id from icons where id=%d;", nId));
            if (nExists < 0) {
                return false;
            }
            if (!nExists) {
                if (!insertRow(nId, icon, nFlags)) {
                    return false;
                }
                nFlags &= static_cast<uint8_t>(~(ZIL_DIRTY_NAME | ZIL_DIRTY_KWDS));
            } else {
                const ZsBlock* pData = icon.data && !icon.data->empty() ? &*icon.data : nullptr;
                // Staged data goes from the staging file into the row without passing through memory.
                const std::string sData = !icon.data && icon.bStaged
                                              ? ZsFormat("(select data from stage.icons where id=%d)", nId)
                                              : "?";
                if (!ExecBlob(ZsFormat("update icons set data=%s where id=%d;", sData.c_str(), nId),
                              pData ? pData->data() : nullptr, pData ? pData->size() : 0) ||
                    !Stored(ZsFormat("icon %d", nId))) {
                    return false;
                }
            }
            if (!dataStored(nId, icon)) {
                return false;
            }
        }
        if ((nFlags & ZIL_DIRTY_NAME) && (!Exec(ZsFormat("update icons set name=%s where id=%d;",
                                                         SqlQuote(icon.name.value_or("")).c_str(), nId)) ||
                                          !textStored("name", nId))) {
            return false;
        }
        if ((nFlags & ZIL_DIRTY_KWDS) && (!Exec(ZsFormat("update icons set kwds=%s where id=%d;",
                                                         SqlQuote(icon.kwds.value_or("")).c_str(), nId)) ||
                                          !textStored("keywords", nId))) {
            return false;
        }
    }
    return true;
}

bool CZsIconLib::Stored(const std::string& sWhat) {
    if (Changes() == 1) {
        return true;
    }
    msSaveError = sWhat + " was not stored: the library ignored the write";
    ZS_LOG_ERR("CZsIconLib::Save", "'%s': %s", ZsPathToUtf8(mPath).c_str(), msSaveError.c_str());
    return false;
}

bool CZsIconLib::WriteAll(int& nTreeItems) {
    // The staging file is attached for the save alone (an attach cannot happen inside a transaction).
    const bool bStage = mpStage != nullptr;
    if (bStage &&
        !Exec(ZsFormat("attach database %s as stage;", ZsSqlQuote(ZsPathToUtf8(mStagePath)).c_str()))) {
        ZS_LOG_ERR("CZsIconLib::Save", "attach the staging file: %s", LastError().c_str());
        return false;
    }
    const bool bOk = WriteAllTrans(nTreeItems);
    if (bStage) {
        Exec("detach database stage;");
    }
    return bOk;
}

bool CZsIconLib::WriteAllTrans(int& nTreeItems) {
    // The right to write is taken first: from then on no other program can change the file until the
    // commit, so a change of theirs is seen here or waits for this save.
    CZsSqlTransaction trans(*this, true);
    if (!trans.Active()) {
        ZS_LOG_ERR("CZsIconLib::Save", "begin transaction: %s", LastError().c_str());
        return false;
    }
    if (mnDataVersion && DataVersion() != mnDataVersion) {
        msSaveError = "another program has changed the library since it was opened here";
        ZS_LOG_ERR("CZsIconLib::Save", "'%s': changed by another program", ZsPathToUtf8(mPath).c_str());
        return false;
    }
    ZsBlock header(ZIL_HEADER_SIZE);
    std::memcpy(header.data(), mnReserved, sizeof(mnReserved));
    ZsSetU32(header.data() + 8, static_cast<uint32_t>(mnNextNode));
    ZsSetU32(header.data() + 12, static_cast<uint32_t>(mnNextIcon));
    if (!ExecBlob(ZsFormat("update main set data=? where id=%d;", 1), header.data(), header.size()) ||
        !Stored("the library header")) {
        ZS_LOG_ERR("CZsIconLib::Save", "header: %s", LastError().c_str());
        return false;
    }
    // Any failed write undoes the whole save, so that the file never holds half of it.
    if (!WriteTree(nTreeItems) || !WriteNodes() || !WriteIcons()) {
        ZS_LOG_ERR("CZsIconLib::Save", "write: %s", LastError().c_str());
        return false;
    }
    if (!trans.Commit()) {
        ZS_LOG_ERR("CZsIconLib::Save", "commit transaction: %s", LastError().c_str());
        return false;
    }
    return true;
}

void CZsIconLib::CommitFlags() {
    for (auto it = mmapNodes.begin(); it != mmapNodes.end();) {
        if (it->second.nFlags & ZIL_DELETED) {
            it = mmapNodes.erase(it);
        } else {
            it->second.nFlags = 0;
            ++it;
        }
    }
    std::vector<std::pair<int32_t, size_t>> saved;
    for (auto it = mmapIcons.begin(); it != mmapIcons.end();) {
        if (it->second.nFlags & ZIL_DELETED) {
            EraseIcon(it++);
        } else {
            if ((it->second.nFlags & ZIL_DIRTY_DATA) && it->second.data) {
                saved.emplace_back(it->first, it->second.data->size());
            }
            it->second.nFlags = 0;
            it->second.bStaged = false;
            ++it;
        }
    }
    mUnsaved.clear();
    mnUnsavedBytes = 0;
    DropStage();
    mnFileNextIcon = mnNextIcon;
    // Saved data is in the file now: it may go like data that was read from there.
    for (const auto& [nId, nBytes] : saved) {
        CacheData(nId, nBytes);
    }
}

void CZsIconLib::SetDataCacheLimit(size_t nBytes) {
    mnCacheLimit = nBytes;
    CacheData(0, 0);
}

void CZsIconLib::CacheData(int32_t nId, size_t nBytes) {
    if (nId != 0) {
        mCachedData.emplace_back(nId, nBytes);
        mnCachedBytes += nBytes;
    }
    while (mnCachedBytes > mnCacheLimit && mCachedData.size() > ZIL_DATA_KEPT_LOADS && IsOpen()) {
        const auto [nOld, nOldBytes] = mCachedData.front();
        mCachedData.pop_front();
        mnCachedBytes -= nOldBytes;
        auto it = mmapIcons.find(nOld);
        if (it != mmapIcons.end() && !(it->second.nFlags & (ZIL_DIRTY_DATA | ZIL_DELETED))) {
            it->second.data.reset();
        }
    }
}

void CZsIconLib::SetUnsavedDataLimit(size_t nBytes) {
    mnUnsavedLimit = nBytes;
    KeepUnsaved(0, 0);
}

void CZsIconLib::KeepUnsaved(int32_t nId, size_t nBytes) {
    if (nId != 0) {
        mUnsaved.emplace_back(nId, nBytes);
        mnUnsavedBytes += nBytes;
    }
    if (mnUnsavedBytes <= mnUnsavedLimit || mUnsaved.size() <= ZIL_DATA_KEPT_LOADS) {
        return;
    }
    // Down to half the limit at once, so that the staging file is written in large transactions.
    auto wanted = [](const ZIL_ICON& icon) {
        return icon.data && (icon.nFlags & ZIL_DIRTY_DATA) && !(icon.nFlags & ZIL_DELETED);
    };
    std::vector<std::pair<int32_t, ZIL_ICON*>> records;
    size_t nEntries = 0;
    size_t nBytesLeft = mnUnsavedBytes;
    while (nEntries + ZIL_DATA_KEPT_LOADS < mUnsaved.size() && nBytesLeft > mnUnsavedLimit / 2) {
        const auto [nOld, nOldBytes] = mUnsaved[nEntries++];
        nBytesLeft -= nOldBytes;
        ZIL_ICON& icon = FindOrAddIcon(nOld);
        if (wanted(icon) && !icon.bStaged) {
            records.emplace_back(nOld, &icon);
        }
    }
    if (!records.empty() && !StageData(records)) {
        // Nothing is dropped: the data stays in memory until the save.
        mnUnsavedLimit = SIZE_MAX;
        return;
    }
    for (size_t i = 0; i < nEntries; ++i) {
        ZIL_ICON& icon = FindOrAddIcon(mUnsaved.front().first);
        if (wanted(icon) && icon.bStaged) {
            icon.data.reset();
        }
        mUnsaved.pop_front();
    }
    mnUnsavedBytes = nBytesLeft;
}

int ZsRemoveStaleStagingFiles(const std::filesystem::path& dir) {
    int nRemoved = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string sName = ZsPathToUtf8(it->path().filename());
        if (sName.rfind(ZIL_STAGING_PREFIX, 0) != 0) {
            continue;
        }
        // The process id, then "-" and mkstemp's six characters; other names are not ours to judge.
        const std::string_view rest = std::string_view(sName).substr(std::strlen(ZIL_STAGING_PREFIX));
        const size_t nDash = rest.find('-');
        if (nDash == 0 || nDash > 10 || nDash == std::string_view::npos || rest.size() != nDash + 7 ||
            rest.find_first_not_of("0123456789") != nDash) {
            continue;
        }
        const int64_t nPid = std::stoll(std::string(rest.substr(0, nDash)));
        struct stat st {};
        if (nPid == getpid() || ZsProcessExists(nPid) || lstat(it->path().c_str(), &st) != 0 ||
            !S_ISREG(st.st_mode) || st.st_uid != getuid()) {
            continue;
        }
        std::error_code ecRemove;
        if (std::filesystem::remove(it->path(), ecRemove)) {
            ZsLog("Removed the staging file '%s' of ended process %lld", sName.c_str(),
                  static_cast<long long>(nPid));
            ++nRemoved;
        }
    }
    return nRemoved;
}

bool CZsIconLib::StageData(const std::vector<std::pair<int32_t, ZIL_ICON*>>& records) {
    if (!mpStage) {
        // Unsaved data is the user's own: it goes into the user's cache folder, never the shared one.
        const std::filesystem::path dir = ZsGetCacheDir();
        ZsRemoveStaleStagingFiles(dir);
        std::error_code ec;
        if (const std::filesystem::path shared = std::filesystem::temp_directory_path(ec); !ec) {
            ZsRemoveStaleStagingFiles(shared);  // where earlier versions put them
        }
        std::string sPath = ZsPathToUtf8(
            dir / ZsFormat("%s%lld-XXXXXX", ZIL_STAGING_PREFIX, static_cast<long long>(getpid())));
        const int fd = mkstemp(sPath.data());
        if (fd < 0) {
            ZS_LOG_ERR("CZsIconLib::StageData", "no staging file in '%s': %s", sPath.c_str(),
                       ZsErrorText(errno).c_str());
            return false;
        }
        close(fd);
        mStagePath = sPath;
        ZsListForEndSignals(mStagePath);
        mpStage = std::make_unique<CSQLite>();
        // The staging file is thrown away after a crash, so it needs neither a journal on disk nor flushes.
        if (!mpStage->Open(mStagePath) || !mpStage->Exec("pragma page_size=65536;") ||
            mpStage->QueryText("pragma journal_mode=memory;") != "memory" ||
            !mpStage->Exec("pragma synchronous=off;") ||
            !mpStage->Exec("create table icons(id integer primary key, data blob);")) {
            ZS_LOG_ERR("CZsIconLib::StageData", "'%s': %s", sPath.c_str(), mpStage->LastError().c_str());
            DropStage();
            return false;
        }
    }
    CZsSqlTransaction trans(*mpStage);
    CZsSqlStatement insert =
        mpStage->PrepareStatement("insert or replace into icons(id, data) values(?, ?);");
    for (const auto& [nId, pIcon] : records) {
        if (!insert.BindInt(1, nId) || !insert.BindBlob(2, *pIcon->data) || !insert.Run()) {
            ZS_LOG_ERR("CZsIconLib::StageData", "icon %d: %s", nId, mpStage->LastError().c_str());
            return false;
        }
    }
    if (!trans.Commit()) {
        ZS_LOG_ERR("CZsIconLib::StageData", "commit: %s", mpStage->LastError().c_str());
        return false;
    }
    for (const auto& [nId, pIcon] : records) {
        pIcon->bStaged = true;
    }
    return true;
}

std::optional<ZsBlock> CZsIconLib::ReadStaged(int32_t nId) {
    std::optional<ZsBlock> data;
    if (mpStage) {
        data = mpStage->QueryBlobCopy(ZsFormat("select data from icons where id=%d;", nId));
    }
    if (!data) {
        ZS_LOG_ERR("CZsIconLib::ReadStaged", "icon %d: %s", nId,
                   mpStage ? mpStage->LastError().c_str() : "no staging file");
    }
    return data;
}

void CZsIconLib::DropStage() {
    mpStage.reset();
    if (!mStagePath.empty()) {
        std::error_code ec;
        std::filesystem::remove(mStagePath, ec);
        ZsUnlistForEndSignals(mStagePath);
        mStagePath.clear();
    }
}

void CZsIconLib::LogSaved(int nTreeItems) {
    auto it = mmapNodes.find(ZIL_ID_ALL);
    int nIcons = 0;
    if (it != mmapNodes.end() && it->second.list) {
        nIcons = static_cast<int>(it->second.list->size());
    } else {
        nIcons = static_cast<int>(
            QueryInt(ZsFormat("select length(data) from nodes where id=%d;", ZIL_ID_ALL)).value_or(0) / 4);
    }
    ZsLog("%s saved (%d nodes, %d icons, last node[0x%08X], last icon[0x%08X])", ZsPathToUtf8(mPath).c_str(),
          nTreeItems, nIcons, static_cast<uint32_t>(mnNextNode), static_cast<uint32_t>(mnNextIcon));
}

std::string ZsWhyCannotWrite(const std::filesystem::path& path) {
    const std::string sPath = ZsPathToUtf8(path);
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            return ZsFormat("'%s' is a folder", sPath.c_str());
        }
        if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) || access(path.c_str(), W_OK) != 0) {
            return ZsFormat("the file '%s' is read-only", sPath.c_str());
        }
    }
    // The save writes a journal or a new file beside the library.
    std::filesystem::path folder = path.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    if (access(folder.c_str(), W_OK) != 0) {
        return errno == ENOENT || errno == ENOTDIR
                   ? ZsFormat("the folder '%s' does not exist", ZsPathToUtf8(folder).c_str())
                   : ZsFormat("the folder '%s' cannot be written to", ZsPathToUtf8(folder).c_str());
    }
    return {};
}

ZIL_FILE_STATE CZsIconLib::CheckFile() {
    if (mPath.empty() || !IsOpen()) {
        return ZIL_FILE_UNCHANGED;
    }
    std::error_code ec;
    if (!std::filesystem::exists(mPath, ec) && !ec) {
        msSaveError = "the file has been deleted or moved away since it was opened";
        return ZIL_FILE_GONE;
    }
    if (OpenedFileId() && ZsGetFileId(mPath) != OpenedFileId()) {
        msSaveError =
            "another program has put another file in the place of the library since it was opened here";
        return ZIL_FILE_CHANGED;
    }
    if (mnDataVersion && DataVersion() != mnDataVersion) {
        msSaveError = "another program has changed the library since it was opened here";
        return ZIL_FILE_CHANGED;
    }
    if (IsReadOnlyConnection()) {
        msSaveError = "the library was opened read-only";
        return ZIL_FILE_READ_ONLY;
    }
    if (std::string sWhy = ZsWhyCannotWrite(mPath); !sWhy.empty()) {
        msSaveError = std::move(sWhy);
        return ZIL_FILE_READ_ONLY;
    }
    return ZIL_FILE_UNCHANGED;
}

void CZsIconLib::NoteDamage(const std::string& sWhat) {
    ZS_LOG_ERR("CZsIconLib::NoteDamage", "'%s': %s cannot be read: %s", ZsPathToUtf8(mPath).c_str(),
               sWhat.c_str(), LastError().c_str());
    if (msDamage.empty()) {
        msDamage = ZsFormat("%s cannot be read (%s)", sWhat.c_str(),
                            LastError().empty() ? "the file is damaged" : LastError().c_str());
    }
}

std::string CZsIconLib::WhyCannotTakeIcons() const {
    if (!msDamage.empty()) {
        return msDamage;
    }
    if (mnNextIcon < 1 || mnNextIcon == INT32_MAX) {
        return ZsFormat("it has no icon id left (its next icon id is %d)", mnNextIcon);
    }
    return {};
}

std::string CZsIconLib::FailureText() const {
    if (LastErrorCode() == ZS_SQL_BUSY) {
        return ZsFormat("another program kept the library locked for more than %d seconds",
                        ZS_SQL_BUSY_TIMEOUT_MS / 1000);
    }
    return LastError().empty() ? std::string("the library could not be written") : LastError();
}

bool CZsIconLib::Save(const std::filesystem::path* pPath) {
    msSaveError.clear();
    ClearLastErrorCode();
    if (pPath && !pPath->empty() && !ZsSamePath(*pPath, mPath)) {
        return SaveAs(*pPath);
    }
    if (mPath.empty() || !IsOpen()) {
        msSaveError = "the library has no file to be saved to";
        ZS_LOG_ERR("CZsIconLib::Save", "no file to save to");
        return false;
    }
    switch (CheckFile()) {
        case ZIL_FILE_GONE:
            // Everything is still readable through the connection: the whole library goes to its path again.
            ZsLog("%s: %s; writing the whole library there again", ZsPathToUtf8(mPath).c_str(),
                  msSaveError.c_str());
            msSaveError.clear();
            return SaveAs(mPath);
        case ZIL_FILE_CHANGED:
        case ZIL_FILE_READ_ONLY:
            ZS_LOG_ERR("CZsIconLib::Save", "'%s': %s", ZsPathToUtf8(mPath).c_str(), msSaveError.c_str());
            return false;
        case ZIL_FILE_UNCHANGED:
            break;
    }
    int nTreeItems = 0;
    if (!WriteAll(nTreeItems)) {
        if (msSaveError.empty()) {
            msSaveError = FailureText();
        }
        return false;
    }
    mnDataVersion = DataVersion();
    mnSeenVersion = mnDataVersion;
    CommitFlags();
    LogSaved(nTreeItems);
    return true;
}

bool CZsIconLib::Compact() {
    // The rebuild is the program's own work over the whole file, which may be far larger than any read.
    const uint64_t nLimit = WorkLimit();
    SetWorkLimit(0);
    const bool bOk = Exec("VACUUM;");
    SetWorkLimit(nLimit);
    return bOk;
}

void CZsIconLib::KeepIdsAhead() {
    int64_t nNextNode = mnNextNode, nNextIcon = mnNextIcon;
    if (std::optional<ZsBytes> header = QueryBlob(ZsFormat("select data from main where id=%d;", 1));
        header && header->size() == ZIL_HEADER_SIZE) {
        CZsByteReader reader(*header);
        nNextNode = std::max<int64_t>(nNextNode, static_cast<int32_t>(reader.U32At(8)));
        nNextIcon = std::max<int64_t>(nNextIcon, static_cast<int32_t>(reader.U32At(12)));
    }
    Finalize();
    nNextNode = std::max(nNextNode, QueryInt("select max(id) from nodes;").value_or(0) + 1);
    nNextIcon = std::max(nNextIcon, QueryInt("select max(id) from icons;").value_or(0) + 1);
    if (nNextNode != mnNextNode || nNextIcon != mnNextIcon) {
        ZsLog("%s: next ids %d/%d raised to %lld/%lld above the ids in the file", ZsPathToUtf8(mPath).c_str(),
              mnNextNode, mnNextIcon, static_cast<long long>(nNextNode), static_cast<long long>(nNextIcon));
    }
    mnNextNode = static_cast<int32_t>(std::min<int64_t>(nNextNode, INT32_MAX));
    mnNextIcon = static_cast<int32_t>(std::min<int64_t>(nNextIcon, INT32_MAX));
}

void CZsIconLib::CatchUpWithFile() {
    if (!IsOpen() || !mnSeenVersion) {
        return;
    }
    const std::optional<int64_t> nVersion = DataVersion();
    if (!nVersion || nVersion == mnSeenVersion) {
        return;
    }
    mnSeenVersion = nVersion;
    KeepIdsAhead();
}

bool CZsIconLib::SaveAs(const std::filesystem::path& path) {
    const std::string sPath = ZsPathToUtf8(path);
    if (std::string sWhy = ZsWhyCannotWrite(path); !sWhy.empty()) {
        msSaveError = std::move(sWhy);
        ZS_LOG_ERR("CZsIconLib::Save", "'%s': %s", sPath.c_str(), msSaveError.c_str());
        return false;
    }
    // The new file is built beside the target and renamed over it: an existing file there is replaced
    // whole, and a failure leaves both it and the current file as they were. It starts as a copy of what the
    // connection reads, not of the file at the old path: that may be gone, or be another file by now.
    const std::filesystem::path temp = ZsUniquePath(path.parent_path() / (path.filename().string() + ".tmp"));
    const bool bCreate = !IsOpen();
    const std::optional<int64_t> nOldVersion = mnDataVersion;
    // The current connection waits here until the new file is in place.
    CSQLite current;
    bool bSwapped = false;
    std::error_code ec;
    auto fail = [&](const char* pszWhat) {
        if (msSaveError.empty()) {
            msSaveError = ec ? ec.message() : bSwapped ? FailureText() : current.LastError();
        }
        ZS_LOG_ERR("CZsIconLib::Save", "'%s': %s: %s", sPath.c_str(), pszWhat, msSaveError.c_str());
        if (bSwapped) {
            CloseDb();
            SwapConnection(current);
            mnDataVersion = nOldVersion;
        }
        current.CloseDb();
        std::error_code ecRemove;
        std::filesystem::remove(temp, ecRemove);
        return false;
    };
    if (!current.Open(temp)) {
        return fail("open");
    }
    if (!bCreate && !CopyInto(current)) {
        msSaveError = FailureText();
        return fail("copy");
    }
    SwapConnection(current);
    bSwapped = true;
    mnDataVersion = DataVersion();
    if (bCreate && !CreateTables()) {
        return fail("create tables");
    }
    if (!bCreate) {
        KeepIdsAhead();
    }
    int nTreeItems = 0;
    if (!WriteAll(nTreeItems)) {
        return fail("write");
    }
    CloseDb();
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        errno = ec.value();
        return fail("rename");
    }
    current.CloseDb();
    mPath = path;
    if (!Open(mPath, ZS_SQL_EXISTING)) {
        msSaveError = FailureText();
        return false;
    }
    mnDataVersion = DataVersion();
    mnSeenVersion = mnDataVersion;
    CommitFlags();
    LogSaved(nTreeItems);
    return true;
}

ZIL_NODE& CZsIconLib::GetNodeIcons(int32_t nId, unsigned nAccess) {
    ZIL_NODE& node = mmapNodes[nId];
    if (!node.list && (nAccess & (ZIL_NODE_ALLOC | ZIL_NODE_LOAD))) {
        node.list.emplace();
        if ((nAccess & ZIL_NODE_LOAD) && IsOpen()) {
            ClearLastErrorCode();
            std::optional<ZsBytes> blob = QueryBlob(ZsFormat("select data from nodes where id=%d;", nId));
            if (!blob && LastErrorCode() != 0) {
                NoteDamage(nId == ZIL_ID_ALL ? std::string("the list of \"My Icons\"")
                                             : ZsFormat("the list of category %d", nId));
            }
            if (blob) {
                ReadUniqueIds(*blob, *node.list);
            }
            Finalize();
        }
    }
    return node;
}

ZIL_ICON& CZsIconLib::FindOrAddIcon(int32_t nId, std::map<int32_t, ZIL_ICON>::iterator* pHint) {
    size_t nIdx = static_cast<size_t>(nId);
    if (nId >= 1 && nIdx < mvIconIndex.size() && mvIconIndex[nIdx]) {
        return *mvIconIndex[nIdx];
    }
    std::map<int32_t, ZIL_ICON>::iterator it =
        pHint ? mmapIcons.try_emplace(*pHint, nId) : mmapIcons.try_emplace(nId).first;
    if (pHint) {
        *pHint = it;
    }
    ZIL_ICON& icon = it->second;
    // Map entries never move, so their addresses can be kept. Only ids near the number of records are
    // indexed: a stray huge id from a damaged file must not blow the index up.
    if (nId >= 1 && nIdx <= 4 * mmapIcons.size() + 4096) {
        if (nIdx >= mvIconIndex.size()) {
            mvIconIndex.resize(std::max(nIdx + 1, mvIconIndex.size() * 3 / 2), nullptr);
        }
        mvIconIndex[nIdx] = &icon;
    }
    return icon;
}

void CZsIconLib::EraseIcon(std::map<int32_t, ZIL_ICON>::iterator it) {
    size_t nIdx = static_cast<size_t>(it->first);
    if (it->first >= 1 && nIdx < mvIconIndex.size()) {
        mvIconIndex[nIdx] = nullptr;
    }
    mmapIcons.erase(it);
}

ZIL_ICON& CZsIconLib::GetIconRec(int32_t nId, unsigned nAccess) {
    ZIL_ICON& icon = FindOrAddIcon(nId);
    bool bDb = IsOpen() && !(nAccess & ZIL_ICON_NEW);
    if (!icon.data && (nAccess & ZIL_ICON_DATA) && icon.bStaged) {
        // A failed read leaves the record without data: the staged data must not be replaced by nothing.
        if (std::optional<ZsBlock> data = ReadStaged(nId)) {
            icon.data = std::move(*data);
            KeepUnsaved(nId, icon.data->size());
        }
    } else if (!icon.data && (nAccess & ZIL_ICON_DATA) && bDb) {
        std::optional<ZsBlock> data = QueryBlobCopy(ZsFormat("select data from icons where id=%d;", nId));
        if (!data) {
            NoteUnreadable(nId, "no row or no data");
        } else if (!ZsIsReadableIcon(*data)) {
            NoteUnreadable(
                nId, ZsFormat("%zu bytes of data without an image that can be read", data->size()).c_str());
            data->clear();
        }
        icon.data = data ? std::move(*data) : ZsBlock();
        CacheData(nId, icon.data->size());
    }
    if (!icon.name && (nAccess & (ZIL_ICON_NAME | ZIL_ICON_LOADNAME))) {
        icon.name = (nAccess & ZIL_ICON_LOADNAME) && bDb
                        ? QueryText(ZsFormat("select name from icons where id=%d;", nId))
                        : std::string();
    }
    if (!icon.kwds && (nAccess & (ZIL_ICON_KWDS | ZIL_ICON_LOADKWDS))) {
        icon.kwds = (nAccess & ZIL_ICON_LOADKWDS) && bDb
                        ? QueryText(ZsFormat("select kwds from icons where id=%d;", nId))
                        : std::string();
    }
    return icon;
}

std::string CZsIconLib::GetIconName(int32_t nId) {
    const std::string& name = *GetIconRec(nId, ZIL_ICON_LOADNAME).name;
    return name.empty() ? std::string("(Untitled)") : name;
}

std::string CZsIconLib::GetIconKeywords(int32_t nId) {
    return *GetIconRec(nId, ZIL_ICON_LOADKWDS).kwds;
}

ZsBytes CZsIconLib::GetIconData(int32_t nId) {
    const ZIL_ICON& icon = GetIconRec(nId, ZIL_ICON_DATA);
    return icon.data ? ZsBytes(*icon.data) : ZsBytes();
}

namespace {

ZIL_DATA_SUMMARY SummaryOf(ZsBytes data) {
    return {ZI_GetImageCount(data), data.size()};
}

// The summary of stored data from its first bytes; as GetIconRec refuses data without an image that can be
// read, such data has none.
ZIL_DATA_SUMMARY SummaryOfStored(ZsBytes head, uint64_t nBytes) {
    const int nImages = head.empty() || !ZI_IsValidIcon(head) ? 0 : ZI_CountImages(head, nBytes);
    if (nImages == 0) {
        return {};
    }
    return {nImages, static_cast<size_t>(nBytes)};
}

// Rows per statement of LoadIconTexts.
constexpr size_t kIdsPerQuery = 500;
// The first bytes of stored data read for its summary: the directory of up to 255 images.
constexpr size_t kHeadBytes = 6 + 16 * 255;

}  // namespace

void CZsIconLib::LoadIconTexts(const ZIL_LIST& ids, unsigned nAccess,
                               std::vector<ZIL_DATA_SUMMARY>* pSummaries) {
    const bool bNames = nAccess & ZIL_ICON_LOADNAME, bKwds = nAccess & ZIL_ICON_LOADKWDS;
    std::vector<int32_t> wanted;
    for (int32_t nId : ids) {
        const ZIL_ICON& icon = FindOrAddIcon(nId);
        if ((bNames && !icon.name) || (bKwds && !icon.kwds) || (pSummaries && !icon.data)) {
            wanted.push_back(nId);
        }
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    std::unordered_map<int32_t, ZIL_DATA_SUMMARY> stored;
    std::vector<std::pair<int32_t, uint64_t>> longDirectories;
    if (IsOpen() && !wanted.empty()) {
        // Taken before the batch begins its own: a transaction of the caller's may hold changes that only
        // this connection sees.
        const bool bOwnSnapshot = !InTransaction();
        CZsSqlReadBatch batch(*this);
        const std::string sColumns = ZsFormat(
            "id, %s, %s, %s", bNames ? "name" : "null", bKwds ? "kwds" : "null",
            pSummaries ? ZsFormat("length(data), substr(data, 1, %zu)", kHeadBytes).c_str() : "0, null");
        // What a row brings, made without touching the library's records, so a second connection can
        // read rows on its own thread.
        struct ROW_TEXTS {
            int32_t nId = 0;
            std::string name, kwds;
            ZIL_DATA_SUMMARY summary;
            uint64_t nLongBytes = 0;  // the data's length when its directory needs a read of its own
        };
        auto digest = [&](const CZsSqlRow& row, ROW_TEXTS& out) {
            const int64_t nId = row.Int(0);
            if (!std::binary_search(wanted.begin(), wanted.end(), nId)) {
                return false;
            }
            out.nId = static_cast<int32_t>(nId);
            out.name = bNames ? row.Text(1) : std::string();
            out.kwds = bKwds ? row.Text(2) : std::string();
            out.nLongBytes = 0;
            if (pSummaries) {
                const uint64_t nBytes = static_cast<uint64_t>(std::max<int64_t>(row.Int(3), 0));
                const ZsBytes head = row.Blob(4);
                if (head.size() < nBytes && head.size() < ZI_GetDirectorySize(head)) {
                    out.nLongBytes = nBytes;
                } else {
                    out.summary = SummaryOfStored(head, nBytes);
                }
            }
            return true;
        };
        std::vector<bool> seen(wanted.size());
        auto apply = [&](ROW_TEXTS& texts) {
            seen[static_cast<size_t>(std::lower_bound(wanted.begin(), wanted.end(), texts.nId) -
                                     wanted.begin())] = true;
            ZIL_ICON& icon = FindOrAddIcon(texts.nId);
            if (bNames && !icon.name) {
                icon.name = std::move(texts.name);
            }
            if (bKwds && !icon.kwds) {
                icon.kwds = std::move(texts.kwds);
            }
            if (pSummaries) {
                if (texts.nLongBytes) {
                    longDirectories.emplace_back(texts.nId, texts.nLongBytes);
                } else {
                    stored[texts.nId] = texts.summary;
                }
            }
        };
        ROW_TEXTS texts;
        bool bAllRead = true;
        auto onRow = [&](const CZsSqlRow& row) {
            if (digest(row, texts)) {
                apply(texts);
            }
            return true;
        };
        // For most of the library's icons one pass over the whole table is cheaper than finding each row.
        if (wanted.size() >= kIdsPerQuery &&
            wanted.size() * 2 >= static_cast<size_t>(std::max(mnNextIcon, 1))) {
            // A pass over a large library is mostly the reading of pages: a second connection reads the
            // upper half of the ids on a thread of its own while this one reads the lower half.
            CSQLite reader;
            const int32_t nSplit = wanted[wanted.size() / 2];
            std::vector<ROW_TEXTS> upper;
            bool bUpperRead = false;
            std::thread thread;
            if (bOwnSnapshot && wanted.size() >= ZIL_PARALLEL_SCAN_ICONS &&
                std::thread::hardware_concurrency() > 1 && OpenReader(reader)) {
                // A thread the system cannot give leaves the whole pass to this connection.
                try {
                    thread = std::thread([&] {
                        CZsSqlReadBatch readerBatch(reader);
                        ROW_TEXTS row;
                        bUpperRead = reader.QueryRows(
                            ZsFormat("select %s from icons where id >= %d;", sColumns.c_str(), nSplit),
                            [&](const CZsSqlRow& r) {
                                if (digest(r, row)) {
                                    upper.push_back(std::move(row));
                                }
                                return true;
                            });
                    });
                } catch (const std::system_error&) {
                    reader.CloseDb();
                }
            }
            if (thread.joinable()) {
                bAllRead = QueryRows(
                    ZsFormat("select %s from icons where id < %d;", sColumns.c_str(), nSplit), onRow);
                thread.join();
                if (bUpperRead) {
                    for (ROW_TEXTS& row : upper) {
                        apply(row);
                    }
                } else {
                    bAllRead =
                        QueryRows(ZsFormat("select %s from icons where id >= %d;", sColumns.c_str(), nSplit),
                                  onRow) &&
                        bAllRead;
                }
            } else {
                bAllRead = QueryRows(ZsFormat("select %s from icons;", sColumns.c_str()), onRow);
            }
        } else {
            for (size_t nFirst = 0; nFirst < wanted.size(); nFirst += kIdsPerQuery) {
                std::string sIds;
                for (size_t i = nFirst; i < std::min(wanted.size(), nFirst + kIdsPerQuery); ++i) {
                    sIds += ZsFormat(i == nFirst ? "%d" : ",%d", wanted[i]);
                }
                bAllRead = QueryRows(ZsFormat("select %s from icons where id in (%s);", sColumns.c_str(),
                                              sIds.c_str()),
                                     onRow) &&
                           bAllRead;
            }
        }
        // A damaged row ends the statement that met it: the rows it did not reach are read one by one, so
        // that the damage costs only the rows that hold it.
        if (!bAllRead) {
            for (size_t i = 0; i < wanted.size(); ++i) {
                if (!seen[i]) {
                    QueryRows(ZsFormat("select %s from icons where id=%d;", sColumns.c_str(), wanted[i]),
                              onRow);
                }
            }
        }
        // A directory of more than 255 images is read on its own.
        for (const auto& [nId, nBytes] : longDirectories) {
            const std::optional<ZsBytes> head = QueryBlob(
                ZsFormat("select substr(data, 1, %d) from icons where id=%d;", 6 + 16 * 65535, nId));
            stored[nId] = head ? SummaryOfStored(*head, nBytes) : ZIL_DATA_SUMMARY();
            Finalize();
        }
    }
    // Icons without a row (new ones, or a damaged file) are completed as GetIconRec completes them.
    const unsigned nTexts = nAccess & (ZIL_ICON_LOADNAME | ZIL_ICON_LOADKWDS);
    if (pSummaries) {
        pSummaries->assign(ids.size(), ZIL_DATA_SUMMARY());
    }
    for (size_t i = 0; i < ids.size(); ++i) {
        const ZIL_ICON& icon = GetIconRec(ids[i], nTexts);
        if (!pSummaries) {
            continue;
        }
        if (icon.data) {
            (*pSummaries)[i] = SummaryOf(*icon.data);
        } else if (icon.bStaged) {
            (*pSummaries)[i] = SummaryOf(GetIconData(ids[i]));
        } else if (auto it = stored.find(ids[i]); it != stored.end()) {
            (*pSummaries)[i] = it->second;
            if (it->second.nFormats == 0) {
                NoteUnreadable(ids[i], "data without an image that can be read");
            }
        } else if (IsOpen()) {
            NoteUnreadable(ids[i], "no row or no data");
        }
    }
}

void CZsIconLib::NoteUnreadable(int32_t nId, const char* pszWhy) {
    if (msetUnreadable.insert(nId).second) {
        errno = 0;
        ZS_LOG_ERR("CZsIconLib::NoteUnreadable", "icon %d cannot be read: %s", nId, pszWhy);
        if (!mbUnreadableNoticed && mUnreadableNotice) {
            mbUnreadableNoticed = true;
            mUnreadableNotice();
        }
    }
}

std::vector<int32_t> CZsIconLib::TakeUnreadableWarning() {
    if (mbUnreadableTold || msetUnreadable.empty()) {
        return {};
    }
    mbUnreadableTold = true;
    // The lists of every category hold every icon the user can meet; the summaries read only the
    // directories of the data, and note each icon that cannot be read.
    ZIL_LIST ids;
    for (int32_t nNode : GetNodeIds()) {
        const ZIL_LIST& list = GetList(nNode);
        ids.insert(ids.end(), list.begin(), list.end());
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    std::vector<ZIL_DATA_SUMMARY> summaries;
    LoadIconTexts(ids, 0, &summaries);
    return std::vector<int32_t>(msetUnreadable.begin(), msetUnreadable.end());
}

bool ZsIsReadableIcon(ZsBytes data) {
    return !data.empty() && ZI_IsValidIcon(data) && ZI_CountImages(data, data.size()) > 0;
}

std::string ZsUnreadableIconsText(const std::vector<int32_t>& ids, size_t nMaxIds) {
    std::string sIds;
    for (size_t i = 0; i < ids.size() && i < nMaxIds; ++i) {
        sIds += ZsFormat(i == 0 ? "%d" : ", %d", ids[i]);
    }
    if (ids.size() > nMaxIds) {
        sIds += ZsFormat(" and %zu more", ids.size() - nMaxIds);
    }
    return ZsFormat("%zu icon%s could not be read (id%s %s)", ids.size(), ids.size() == 1 ? "" : "s",
                    ids.size() == 1 ? "" : "s", sIds.c_str());
}

bool CZsIconLib::GetIcon(int32_t nId, CIcon& icon) {
    return icon.SetData(GetIconData(nId));
}

void CZsIconLib::SetIconData(int32_t nId, ZsBytes data) {
    msetUnreadable.erase(nId);
    ZIL_ICON& icon = GetIconRec(nId, 0);
    icon.data = ZsBlock(data.begin(), data.end());
    icon.nFlags |= ZIL_DIRTY_DATA;
    icon.bStaged = false;
    KeepUnsaved(nId, icon.data->size());
}

void CZsIconLib::SetIcon(int32_t nId, const CIcon& icon) {
    msetUnreadable.erase(nId);
    ZIL_ICON& rec = GetIconRec(nId, 0);
    rec.data = icon.GetData(-1);
    rec.nFlags |= ZIL_DIRTY_DATA;
    rec.bStaged = false;
    KeepUnsaved(nId, rec.data->size());
}

void CZsIconLib::SetIconName(int32_t nId, std::string_view sName) {
    ZIL_ICON& icon = GetIconRec(nId, 0);
    icon.name = CleanText(sName, ZIL_MAX_NAME_CHARS);
    icon.nFlags |= ZIL_DIRTY_NAME;
}

void CZsIconLib::SetIconKeywords(int32_t nId, std::string_view sKwds) {
    ZIL_ICON& icon = GetIconRec(nId, 0);
    icon.kwds = CleanText(sKwds, ZIL_MAX_KWDS_CHARS);
    icon.nFlags |= ZIL_DIRTY_KWDS;
}

int32_t CZsIconLib::ImpIcon(ZsBlock data, const std::string* pName, std::string* pError) {
    auto refuse = [&](const char* pszWhy) {
        if (pError) {
            *pError = pszWhy;
        }
        return 0;
    };
    if (!ZI_IsValidIcon(data)) {
        ZS_LOG_ERR("CZsIconLib::ImpIcon", "ZI_IsValidIcon");
        return refuse("not an icon");
    }
    // An icon without an image would show nothing, and nothing could be made of it.
    if (ZI_CountImages(data, data.size()) == 0) {
        ZS_LOG_ERR("CZsIconLib::ImpIcon", "no image inside its %zu bytes", data.size());
        return refuse("no image that can be read");
    }
    CatchUpWithFile();
    if (const std::string sWhy = WhyCannotTakeIcons(); !sWhy.empty()) {
        ZS_LOG_ERR("CZsIconLib::ImpIcon", "'%s': %s", ZsPathToUtf8(mPath).c_str(), sWhy.c_str());
        if (pError) {
            *pError = mPath.empty() ? "the library cannot take it: " + sWhy
                                    : ZsFormat("the library '%s' cannot take it: %s",
                                               ZsPathToUtf8(mPath).c_str(), sWhy.c_str());
        }
        return 0;
    }
    int32_t nId = mnNextIcon++;
    ZIL_ICON& icon = GetIconRec(nId, ZIL_ICON_NEW);
    icon.data = std::move(data);
    icon.nFlags |= ZIL_DIRTY_DATA;
    icon.bStaged = false;
    if (pName) {
        icon.name = CleanText(*pName, ZIL_MAX_NAME_CHARS);
        icon.nFlags |= ZIL_DIRTY_NAME;
    }
    KeepUnsaved(nId, icon.data->size());
    return nId;
}

int CZsIconLib::ImpFiles(const std::vector<std::filesystem::path>& files, int32_t nNode, int nPosition,
                         int nWidth, int nHeight, int nMode, const ZilImportReport& report, bool* pbCancel) {
    bool bCancel = false;
    if (pbCancel) {
        *pbCancel = false;
    }
    if (files.empty()) {
        return 0;
    }
    ZIL_LIST* pAll = &GetList(ZIL_ID_ALL);
    ZIL_LIST* pTarget = nNode == 0 ? nullptr : nNode == ZIL_ID_ALL ? pAll : &GetList(nNode);
    ZIL_NODE* pAllNode = &GetNodeIcons(ZIL_ID_ALL, 0);
    ZIL_NODE* pTargetNode = nNode == 0 ? nullptr : &GetNodeIcons(nNode, 0);
    int nImported = 0;
    int nFiles = static_cast<int>(files.size());

    // Stores one produced icon, places it and reports it; false when the report stops the run.
    auto place = [&](ZsBlock data, const std::string& sName, std::string sError,
                     const std::filesystem::path& path, int nFile, int nPiece, int nPieces) {
        const int32_t nId = sError.empty() ? ImpIcon(std::move(data), &sName, &sError) : 0;
        if (nId) {
            if (pTarget) {
                if (nPosition < 0) {
                    pTarget->push_back(nId);
                } else {
                    size_t nAt = std::min(pTarget->size(), static_cast<size_t>(nPosition) + nImported);
                    pTarget->insert(pTarget->begin() + static_cast<std::ptrdiff_t>(nAt), nId);
                }
            }
            if (pTarget != pAll) {
                pAll->push_back(nId);
            }
            ++nImported;
        }
        ZIL_IMPORTED info;
        info.nId = nId;
        info.sName = sName;
        info.sError = std::move(sError);
        info.data = nId ? ZsBytes(*FindOrAddIcon(nId).data) : ZsBytes();
        info.path = path;
        info.nImported = nImported;
        info.nFile = nFile;
        info.nFiles = nFiles;
        info.nPiece = nPiece;
        info.nPieces = nPieces;
        return !report || report(info);
    };

    for (int nFile = 0; nFile < nFiles && !bCancel; ++nFile) {
        const std::filesystem::path& path = files[static_cast<size_t>(nFile)];
        const ZI_SOURCE_KIND nKind = ZI_GetSourceKind(path);
        if (nKind == ZI_SOURCE_NONE) {
            continue;
        }
        CIconSource source;
        const bool bOpen = source.Open(path, nKind, ZI_SOURCE_OPTIONS{nWidth, nHeight, nMode});
        const int nIcons = bOpen ? source.GetCount() : 0;
        if (nIcons == 0) {
            // A file that gives no icon at all is reported as one refused icon, so that it is not passed
            // over in silence.
            bCancel =
                !place(ZsBlock(), ZsGetPathTitle(ZsPathToUtf8(path)),
                       bOpen ? std::string("no icons in the file") : source.GetError(), path, nFile, 0, 0);
            continue;
        }
        for (int i = 0; i < nIcons && !bCancel; ++i) {
            ZsBlock data = source.GetData(i);
            // Only a module's group is read here; the store tells what is wrong with other data.
            std::string sError = data.empty() && nKind == ZI_SOURCE_MODULE
                                     ? "the group's images cannot be read"
                                     : std::string();
            bCancel = !place(std::move(data), source.GetName(i), std::move(sError), path, nFile,
                             source.IsWhole() ? 0 : i, source.IsWhole() ? 0 : nIcons);
        }
    }
    if (nImported > 0) {
        pAllNode->nFlags |= ZIL_DIRTY_DATA;
        if (pTargetNode) {
            pTargetNode->nFlags |= ZIL_DIRTY_DATA;
        }
    }
    if (pbCancel) {
        *pbCancel = bCancel;
    }
    return nImported;
}

namespace {

// The ids to take out of the lists, for a test per list entry: a bitmap over their range where that is
// small, else a hash set (a damaged file may hold ids far apart).
class CIdSet {
public:
    explicit CIdSet(const std::vector<int32_t>& ids) {
        if (ids.empty()) {
            return;
        }
        const auto [pLow, pHigh] = std::minmax_element(ids.begin(), ids.end());
        mnFirst = *pLow;
        const int64_t nRange = static_cast<int64_t>(*pHigh) - mnFirst + 1;
        if (nRange <= 64 * static_cast<int64_t>(ids.size()) + 4096) {
            mBits.assign(static_cast<size_t>(nRange), false);
            for (int32_t nId : ids) {
                mBits[static_cast<size_t>(static_cast<int64_t>(nId) - mnFirst)] = true;
            }
            for (size_t i = 0; i < mBits.size(); ++i) {
                if (mBits[i]) {
                    mSorted.push_back(static_cast<int32_t>(mnFirst + static_cast<int64_t>(i)));
                }
            }
        } else {
            mSorted = ids;
            std::sort(mSorted.begin(), mSorted.end());
            mSorted.erase(std::unique(mSorted.begin(), mSorted.end()), mSorted.end());
            mHash.insert(mSorted.begin(), mSorted.end());
        }
    }
    bool Has(int32_t nId) const {
        if (!mBits.empty()) {
            const int64_t n = static_cast<int64_t>(nId) - mnFirst;
            return n >= 0 && n < static_cast<int64_t>(mBits.size()) && mBits[static_cast<size_t>(n)];
        }
        return mHash.count(nId) != 0;
    }
    // The ids in ascending order, each once.
    const std::vector<int32_t>& Sorted() const { return mSorted; }

private:
    int32_t mnFirst = 0;
    std::vector<bool> mBits;
    std::unordered_set<int32_t> mHash;
    std::vector<int32_t> mSorted;
};

}  // namespace

std::vector<int> ZsCleanRows(std::vector<int> rows, size_t nCount) {
    std::erase_if(rows, [&](int n) { return n < 0 || static_cast<size_t>(n) >= nCount; });
    // A selection usually comes in order already; sorting it again would cost more than the command.
    if (!std::is_sorted(rows.begin(), rows.end())) {
        std::sort(rows.begin(), rows.end());
    }
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

std::vector<int32_t> ZsIconsOfRows(const ZIL_LIST& list, const std::vector<int>& rows) {
    std::vector<int32_t> ids;
    std::unordered_set<int32_t> seen;
    for (int nRow : rows) {
        const int32_t nId = list[static_cast<size_t>(nRow)];
        if (seen.insert(nId).second) {
            ids.push_back(nId);
        }
    }
    return ids;
}

int ZsClampRow(int nRow, size_t nCount) {
    if (nCount == 0) {
        return -1;
    }
    return std::clamp(nRow, 0, static_cast<int>(std::min<size_t>(nCount, INT_MAX)) - 1);
}

int CZsIconLib::DelIcons(const std::vector<int32_t>& ids) {
    if (ids.empty()) {
        return 0;
    }
    const CIdSet deleted(ids);
    std::vector<int32_t> nodes = GetNodeIds();
    // "My Icons" and "Find Results" always let go of a deleted icon, even in a tree that lacks them.
    for (int32_t nFixed : {ZIL_ID_ALL, ZIL_ID_FIND}) {
        if (std::find(nodes.begin(), nodes.end(), nFixed) == nodes.end()) {
            nodes.push_back(nFixed);
        }
    }
    CZsSqlReadBatch batch(*this);
    for (int32_t nNode : nodes) {
        ZIL_NODE& node = GetNodeIcons(nNode, ZIL_NODE_LOAD);
        if (std::erase_if(*node.list, [&](int32_t nId) { return deleted.Has(nId); }) != 0) {
            node.nFlags |= ZIL_DIRTY_DATA;
        }
    }
    // In ascending order each new record goes in right after the one before it.
    std::map<int32_t, ZIL_ICON>::iterator hint = mmapIcons.end();
    for (int32_t nId : deleted.Sorted()) {
        FindOrAddIcon(nId, &hint).nFlags |= ZIL_DELETED;
        msetUnreadable.erase(nId);
    }
    return static_cast<int>(deleted.Sorted().size());
}

std::vector<int32_t> CZsIconLib::GetNodeIds() const {
    std::vector<int32_t> ids;
    if (mpTree) {
        ids.reserve(static_cast<size_t>(mpTree->GetCount()));
        for (ZsTreeItem item = mpTree->GetRootItem(); item != ZS_TI_NONE;
             item = mpTree->GetNextPreorder(item)) {
            ids.push_back(mpTree->GetItemData(item));
        }
    }
    return ids;
}

int32_t CZsIconLib::FindIconNode(int32_t nIconId) {
    CZsSqlReadBatch batch(*this);
    for (int32_t nNode : GetNodeIds()) {
        if (nNode == ZIL_ID_ALL) {
            continue;
        }
        const ZIL_LIST& list = GetList(nNode);
        if (std::find(list.begin(), list.end(), nIconId) != list.end()) {
            return nNode;
        }
    }
    return 0;
}

std::string CZsIconLib::GetIconPath(int32_t nIconId) {
    int32_t nNode = FindIconNode(nIconId);
    if (nNode == 0 || !mpTree) {
        return std::string();
    }
    ZsTreeItem root = mpTree->GetRootItem();
    std::string sPath;
    for (ZsTreeItem item = mpTree->FindItem(nNode); item != ZS_TI_NONE && item != root;
         item = mpTree->GetParentItem(item)) {
        sPath = mpTree->GetItemText(item) + "\\" + sPath;
    }
    if (!sPath.empty()) {
        sPath = "\\" + sPath.substr(0, sPath.size() - 1);
    }
    return sPath;
}

void CZsIconLib::NodeToList(int32_t nId, ZIL_LIST& list) {
    const ZIL_LIST& node = GetList(nId);
    list.insert(list.end(), node.begin(), node.end());
}

void CZsIconLib::ListToNode(int32_t nId, const ZIL_LIST& list) {
    ZIL_NODE& node = GetNodeIcons(nId, ZIL_NODE_ALLOC);
    *node.list = list;
    node.nFlags |= ZIL_DIRTY_DATA;
}

int32_t CZsIconLib::NewNodeId() {
    CatchUpWithFile();
    if (mnNextNode < 1 || mnNextNode == INT32_MAX) {
        ZS_LOG_ERR("CZsIconLib::NewNodeId", "no category id left (next %d)", mnNextNode);
        return 0;
    }
    return mnNextNode++;
}

ZsTreeItem CZsIconLib::NewNode(ZsTreeItem parent, ZsTreeItem insertAfter, const std::string& sTitle) {
    if (!mpTree || (parent != ZS_TI_NONE && !ZsCanHoldCategories(mpTree->GetItemData(parent)))) {
        return ZS_TI_NONE;
    }
    int32_t nId = NewNodeId();
    if (nId == 0) {
        return ZS_TI_NONE;
    }
    return mpTree->InsertItem(sTitle, ZIL_IMAGE_NODE, ZIL_IMAGE_NODE, nId, parent, insertAfter);
}

int CZsIconLib::DelNode(ZsTreeItem item) {
    if (!mpTree || !mpTree->Exists(item) || mpTree->GetItemData(item) < 1) {
        return 0;
    }
    int nDeleted = 0;
    std::vector<ZsTreeItem> pending{item};
    while (!pending.empty()) {
        ZsTreeItem cur = pending.back();
        pending.pop_back();
        ++nDeleted;
        int32_t nId = mpTree->GetItemData(cur);
        if (nId >= 1) {
            GetNodeIcons(nId, 0).nFlags |= ZIL_DELETED;
        }
        for (ZsTreeItem child = mpTree->GetChildItem(cur); child != ZS_TI_NONE;
             child = mpTree->GetNextSiblingItem(child)) {
            pending.push_back(child);
        }
    }
    return mpTree->DeleteItem(item) ? nDeleted : 0;
}
