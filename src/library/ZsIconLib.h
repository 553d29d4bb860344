// CZsIconLib, the in-memory side of one extended icon library (".pctv"): the next ids, the categories (each
// an ordered list of icon ids) and the icon records (ICO data, name, keywords), all fetched from the file on
// first use and written back at save time according to per-entry change flags. The category hierarchy and
// titles live in an attached CZsCategoryTree, rebuilt at load and read at save. Icon data that is in the
// file is kept in a bounded cache, so memory follows what is in use, not the size of the library. New and
// changed data beyond a bounded amount goes to a staging file of its own in the temporary folder until the
// save moves it into the library in the save's one transaction; the library file itself changes only when
// the library is saved, and closing without saving throws the staging file away.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/ZsBase.h"
#include "common/ZsConfig.h"
#include "icon/ZsIcon.h"
#include "library/ZsCategoryTree.h"
#include "library/ZsSQLite.h"

// Fixed category ids.
inline constexpr int32_t ZIL_ID_ALL = -1;   // "My Icons", lists every icon
inline constexpr int32_t ZIL_ID_FIND = -2;  // "Find Results"

// Change flags of category and icon entries.
enum : uint8_t {
    ZIL_DELETED = 1,
    ZIL_DIRTY_DATA = 2,
    ZIL_DIRTY_NAME = 4,
    ZIL_DIRTY_KWDS = 8,
};

// Access flags of GetNodeIcons.
enum : unsigned {
    ZIL_NODE_ALLOC = 2,
    ZIL_NODE_LOAD = 4,
};

// Access flags of GetIconRec.
enum : unsigned {
    ZIL_ICON_NEW = 0x01,
    ZIL_ICON_DATA = 0x08,
    ZIL_ICON_NAME = 0x10,
    ZIL_ICON_LOADNAME = 0x20,
    ZIL_ICON_KWDS = 0x40,
    ZIL_ICON_LOADKWDS = 0x80,
};

// Tree images of the items.
inline constexpr int ZIL_IMAGE_ALL = 0;
inline constexpr int ZIL_IMAGE_NODE = 2;
inline constexpr int ZIL_IMAGE_FIND = 3;

// Sizes of the file's blobs.
inline constexpr size_t ZIL_HEADER_SIZE = 16;
inline constexpr size_t ZIL_TREE_ITEM_SIZE = 528;
inline constexpr size_t ZIL_TITLE_UNITS = 256;

// The application id in the header of the library files this program makes ("PCTV"), by which the desktop
// recognises a library by its content. Files without it (made by earlier versions) open all the same.
inline constexpr int32_t ZIL_APPLICATION_ID = 0x50435456;

// The longest name and keywords an icon takes, in characters; longer texts (a module's group names may be
// 65,535 characters long) are cut where they enter the store.
inline constexpr size_t ZIL_MAX_NAME_CHARS = 1024;
inline constexpr size_t ZIL_MAX_KWDS_CHARS = 8192;

using ZIL_LIST = std::vector<int32_t>;

// The bytes of saved icon data a store keeps by default, and the number of the latest reads it keeps
// whatever their size.
inline constexpr size_t ZIL_DATA_CACHE_BYTES = 32u << 20;
inline constexpr size_t ZIL_DATA_KEPT_LOADS = 64;
// The bytes of new and changed icon data a store keeps in memory by default; beyond them the oldest goes to
// the staging file (the latest ZIL_DATA_KEPT_LOADS changes always stay).
inline constexpr size_t ZIL_UNSAVED_DATA_BYTES = 32u << 20;
// Staging files are named ZIL_STAGING_PREFIX, the id of the process that made them, "-" and six characters of
// its own, in the system's temporary folder.
inline constexpr char ZIL_STAGING_PREFIX[] = "pictavo-staging-";
// From this many icons on, a pass that reads the names, keywords or data summaries of most of a library reads
// half of the rows on a second connection and thread.
inline constexpr size_t ZIL_PARALLEL_SCAN_ICONS = 8192;

// User categories have ids from 1; "My Icons" and "Find Results" are fixed.
inline bool ZsIsUserCategory(int32_t nId) {
    return nId >= 1;
}
// Categories that may hold subcategories: user categories and "My Icons" ("Find Results" holds only the
// results of a search).
inline bool ZsCanHoldCategories(int32_t nId) {
    return nId >= 1 || nId == ZIL_ID_ALL;
}

// The rows of a selection that a list of nCount rows has, in ascending order, each once.
std::vector<int> ZsCleanRows(std::vector<int> rows, size_t nCount);
// The icons of rows of a list (rows inside the list), in the order of the rows, each icon once.
std::vector<int32_t> ZsIconsOfRows(const ZIL_LIST& list, const std::vector<int>& rows);
// A caret row kept inside a list of nCount rows; -1 for an empty list.
int ZsClampRow(int nRow, size_t nCount);

// A category: its icon ids in display order (none until first needed) and its change flags.
struct ZIL_NODE {
    std::optional<ZIL_LIST> list;
    uint8_t nFlags = 0;
};

// An icon record: each part is none until loaded or set.
struct ZIL_ICON {
    std::optional<ZsBlock> data;
    std::optional<std::string> name;
    std::optional<std::string> kwds;
    uint8_t nFlags = 0;
    // The unsaved data is in the staging file (and in data only while it is in use).
    bool bStaged = false;
};

// What a list shows of an icon's data: the number of readable images and the bytes; 0 and 0 when the icon
// has no ICO data.
struct ZIL_DATA_SUMMARY {
    int nFormats = 0;
    size_t nBytes = 0;
    bool operator==(const ZIL_DATA_SUMMARY&) const = default;
};

// What ImpFiles reports after every icon a file produced (id 0: the icon was refused, sError says why). A
// file that gives no icon at all (one that cannot be read, a module without icons) is reported as one refused
// icon named after the file.
struct ZIL_IMPORTED {
    int32_t nId = 0;
    std::string sName;
    std::string sError;
    ZsBytes data;
    std::filesystem::path path;
    int nImported = 0;
    int nFile = 0;
    int nFiles = 0;
    int nPiece = 0;
    int nPieces = 0;
};
// Returns false to stop the import.
using ZilImportReport = std::function<bool(const ZIL_IMPORTED&)>;

// The scopes of a search, in the order of the Find dialog's list.
enum ZIL_FIND_SCOPE { ZIL_SCOPE_DESCENDANTS = 0, ZIL_SCOPE_SELECTED = 1, ZIL_SCOPE_ALL = 2 };

// The file of an open library at save time, against the file as this library read or last wrote it.
enum ZIL_FILE_STATE {
    ZIL_FILE_UNCHANGED = 0,  // as this library left it, or there is no file yet
    ZIL_FILE_GONE,           // deleted or moved away; the library still reads it through its connection
    ZIL_FILE_CHANGED,        // another program has written to it or put another file in its place
    ZIL_FILE_READ_ONLY,      // it may not be written: its permissions, its folder, or opened read-only
};

// Why a library cannot be written at path, as a clause for the user ("the file '...' is read-only"); empty
// when it can. A file whose write permissions are all off counts as read-only even for the administrator:
// a save never replaces a file marked so.
std::string ZsWhyCannotWrite(const std::filesystem::path& path);

class CZsIconLib : public CSQLite {
public:
    CZsIconLib() = default;
    ~CZsIconLib() override;

    // The tree that load rebuilds and save reads; null detaches it.
    void AttachTree(CZsCategoryTree* pTree) { mpTree = pTree; }
    CZsCategoryTree* GetTree() const { return mpTree; }

    // A new, untitled library with the sample categories in the attached tree.
    virtual bool NewLib();
    // Opens a library file; false (with a logged reason) for a missing file, a file that is not a library,
    // or a bad header or tree blob. The store is then empty and detached from any file. A library opened
    // read-only is never written, not even by a save.
    virtual bool Load(const std::filesystem::path& path, ZS_SQL_OPEN nMode = ZS_SQL_READ_WRITE);
    // Why the last Load failed, as one sentence for the user ("The file does not exist."); empty after a
    // load that succeeded.
    const std::string& LoadError() const { return msLoadError; }
    // Writes the library, to a new path when one is given. Everything or nothing is written; the change
    // flags are cleared only when the commit succeeded. A new path is written beside the target first and
    // renamed over it, so an existing file there is replaced whole; it starts as a copy of the database as
    // the open connection reads it, so a file deleted since it was opened is saved whole. A save to the
    // library's own file refuses (SaveError says why) when the file is read-only or another program has
    // changed it since it was read or last saved (CheckFile); when the file is gone, the whole library is
    // written to its path again. A file where the save cannot write is never replaced.
    bool Save(const std::filesystem::path* pPath = nullptr);
    bool Save(const std::filesystem::path& path) { return Save(&path); }
    // Why the last Save failed, as a clause for the user ("another program has changed the library since it
    // was opened here"); empty after a save that succeeded.
    const std::string& SaveError() const { return msSaveError; }
    // The state of the library's file; for any state but ZIL_FILE_UNCHANGED, SaveError says what it is.
    ZIL_FILE_STATE CheckFile();
    // Frees every list and record and closes the connection.
    virtual void Close();
    // Rebuilds the file without its free pages ("VACUUM;"); unsaved changes stay in memory.
    bool Compact();

    const std::filesystem::path& GetPath() const { return mPath; }
    int32_t GetNextNode() const { return mnNextNode; }
    int32_t GetNextIcon() const { return mnNextIcon; }
    // Hands out the next category id; 0 (logged) when the ids are used up.
    int32_t NewNodeId();
    // What SQLite found damaged in the file while reading what new icons depend on (the table of icons, a
    // category's list), as a clause for the user ("its table of icons cannot be read (...)"); empty while
    // nothing is known to be damaged.
    const std::string& GetDamage() const { return msDamage; }
    // Why no icon can be added, as a clause for the user: the damage, or no icon id left; empty when icons
    // can be added.
    std::string WhyCannotTakeIcons() const;

    // The entry of a category, created when missing; the access flags say whether its list is made or read.
    ZIL_NODE& GetNodeIcons(int32_t nId, unsigned nAccess);
    // The category's list, read when needed.
    ZIL_LIST& GetList(int32_t nId) { return *GetNodeIcons(nId, ZIL_NODE_LOAD).list; }
    // The record of an icon, created when missing; the access flags say which parts are made or read.
    ZIL_ICON& GetIconRec(int32_t nId, unsigned nAccess);

    std::string GetIconName(int32_t nId);  // "(Untitled)" for an empty name
    std::string GetIconKeywords(int32_t nId);
    // The ICO data (loaded when needed); empty when the icon has none or its stored data is not ICO data.
    // The bytes stay valid until the data of more icons than ZIL_DATA_KEPT_LOADS has been loaded after it.
    ZsBytes GetIconData(int32_t nId);
    // Reads the names and keywords (as nAccess asks: ZIL_ICON_LOADNAME, ZIL_ICON_LOADKWDS) of the icons
    // that lack them, many rows per statement, and with pSummaries the summary of each icon's data, in the
    // order of ids: from the data in memory, else from the start of the stored data (its directory), so no
    // image data is copied or kept.
    void LoadIconTexts(const ZIL_LIST& ids, unsigned nAccess,
                       std::vector<ZIL_DATA_SUMMARY>* pSummaries = nullptr);
    // The bytes of icon data read from the file that the store keeps (the oldest reads are dropped beyond it
    // and read again when needed); data that is new or changed is kept until it is saved.
    void SetDataCacheLimit(size_t nBytes);
    size_t GetCachedDataBytes() const { return mnCachedBytes; }
    // The bytes of new and changed data kept in memory before the oldest of it goes to the staging file.
    void SetUnsavedDataLimit(size_t nBytes);
    size_t GetUnsavedDataBytes() const { return mnUnsavedBytes; }
    // The staging file while there is one (new or changed data that is not saved yet), else empty.
    const std::filesystem::path& GetStagingPath() const { return mStagePath; }
    // The icon unpacked; false when it has no valid ICO data.
    bool GetIcon(int32_t nId, CIcon& icon);
    // The icons whose stored data could not be read when it was read (no row, not ICO data, or no image
    // that can be read: they show no picture and are left out of exports), in ascending order. Only what has
    // been read is known; new data for an icon takes it off the list.
    const std::set<int32_t>& GetUnreadableIcons() const { return msetUnreadable; }
    // Once per opened library, after the first read that met an icon it could not read: every icon of the
    // tree's categories checked and the unreadable ones returned, so that the user is told of all of them at
    // once. Empty before that, and after it was told.
    std::vector<int32_t> TakeUnreadableWarning();
    // Called when the store first meets an icon it cannot read, in the middle of the read: the caller tells
    // the user afterwards (TakeUnreadableWarning). Once per opened library.
    void SetUnreadableNotice(std::function<void()> notice) { mUnreadableNotice = std::move(notice); }
    void SetIconData(int32_t nId, ZsBytes data);
    void SetIcon(int32_t nId, const CIcon& icon);
    // Name and keywords end at a NUL and are cut to ZIL_MAX_NAME_CHARS and ZIL_MAX_KWDS_CHARS characters.
    void SetIconName(int32_t nId, std::string_view sName);
    void SetIconKeywords(int32_t nId, std::string_view sKwds);

    // Adds a new icon (no category lists it yet), its name cut as SetIconName cuts it; 0, with the reason in
    // *pError (may be null), when the data is not ICO data or has no image that can be read.
    int32_t ImpIcon(ZsBlock data, const std::string* pName, std::string* pError = nullptr);
    // Imports files into a category (0: "My Icons" only; -1: "My Icons"), at a position of its list (-1:
    // append). Pictures are cut into tiles when nWidth and nHeight are both non-zero, else made into one
    // icon with the sizing mode. Returns the number of icons imported; *pbCancel tells whether the report
    // stopped the run.
    int ImpFiles(const std::vector<std::filesystem::path>& files, int32_t nNode, int nPosition, int nWidth,
                 int nHeight, int nMode, const ZilImportReport& report, bool* pbCancel = nullptr);
    // Removes the icons from the list of every category of the tree ("My Icons" and "Find Results" even when
    // the tree lacks them) in one pass over the lists, and marks them deleted. Lists of categories that are
    // not in the tree are not touched. Returns the number of icons (an id given twice counts once).
    int DelIcons(const std::vector<int32_t>& ids);
    void DelIcon(int32_t nId) { DelIcons({nId}); }

    // The ids of all tree items in pre-order.
    std::vector<int32_t> GetNodeIds() const;
    // The first category in pre-order, "My Icons" skipped, that lists the icon; 0 when none.
    int32_t FindIconNode(int32_t nIconId);
    // "\Category\Subcategory" of the category FindIconNode gives; "" when none.
    std::string GetIconPath(int32_t nIconId);
    // Appends the category's ids to a view's list; replaces the category's list by one and flags it.
    void NodeToList(int32_t nId, ZIL_LIST& list);
    void ListToNode(int32_t nId, const ZIL_LIST& list);

    // A new category "sTitle" with a fresh id under parent (ZS_TI_NONE: top level), after the given sibling
    // (ZS_TI_LAST, ZS_TI_FIRST or a sibling); ZS_TI_NONE when the parent cannot hold categories
    // (ZsCanHoldCategories) or the ids are used up. The commands of ZsLibCmd.h add the rules of the tree.
    ZsTreeItem NewNode(ZsTreeItem parent, ZsTreeItem insertAfter, const std::string& sTitle);
    // Deletes a user category's item with its subtree; their lists go at the next save, the icons stay.
    // Returns the number of categories deleted (0: not a user category of the tree).
    int DelNode(ZsTreeItem item);

    // Fills "Find Results" with the icons of the scope whose name or keywords match. False, with the
    // expression's error in *pError, for an invalid regular expression (the results are then empty).
    bool FindIcons(const std::string& sText, const std::vector<int32_t>& scope, bool bCaseSensitive,
                   bool bWholeWord, bool bRegEx, bool bInNames, bool bInKwds, std::string* pError = nullptr);
    // The categories a search goes through for a scope and a selected item.
    std::vector<int32_t> GetFindScope(ZsTreeItem selected, int nScope) const;

    const std::map<int32_t, ZIL_NODE>& Nodes() const { return mmapNodes; }
    const std::map<int32_t, ZIL_ICON>& Icons() const { return mmapIcons; }

private:
    bool CreateTables();
    bool WriteAll(int& nTreeItems);
    bool WriteTree(int& nTreeItems);
    bool WriteNodes();
    bool WriteIcons();
    // After an insert or update of one row: true when it changed that row, else false with SaveError
    // saying that sWhat was not stored (SQLite ignored the write: a conflict clause of the table, say).
    bool Stored(const std::string& sWhat);
    void CommitFlags();
    void RebuildTree(ZsBytes blob);
    bool SaveAs(const std::filesystem::path& path);
    void LogSaved(int nTreeItems);
    // The record of an id, made when missing. pHint (may be null) is the record to look beside first and is
    // left at this one, so that a run of ascending ids costs one step each.
    ZIL_ICON& FindOrAddIcon(int32_t nId, std::map<int32_t, ZIL_ICON>::iterator* pHint = nullptr);
    void EraseIcon(std::map<int32_t, ZIL_ICON>::iterator it);
    // Counts saved data of an icon into the cache and drops the oldest data beyond its limit.
    void CacheData(int32_t nId, size_t nBytes);
    // Counts new or changed data of an icon and moves the oldest beyond the limit to the staging file.
    void KeepUnsaved(int32_t nId, size_t nBytes);
    // Writes the data of records to the staging file (made when missing) in one transaction; false, with
    // nothing dropped from memory, when it cannot.
    bool StageData(const std::vector<std::pair<int32_t, ZIL_ICON*>>& records);
    std::optional<ZsBlock> ReadStaged(int32_t nId);
    void DropStage();
    bool WriteAllTrans(int& nTreeItems);
    // Raises the next ids above every id the file holds, so that nothing it has is handed out again.
    void KeepIdsAhead();
    // Before an id is handed out: when another program has written to the file since the last look, its
    // ids are kept clear of (KeepIdsAhead), so that the work of both can still go into one file.
    void CatchUpWithFile();
    // The reason of a failed statement as SaveError gives it.
    std::string FailureText() const;
    // Keeps the first damage met: what could not be read, with SQLite's reason.
    void NoteDamage(const std::string& sWhat);

    std::filesystem::path mPath;
    std::string msLoadError;
    std::string msSaveError;
    std::string msDamage;
    // The connection's data version when the file was read or last saved: another program's commit since
    // changes it.
    std::optional<int64_t> mnDataVersion;
    // The data version at the last look of CatchUpWithFile.
    std::optional<int64_t> mnSeenVersion;
    CZsCategoryTree* mpTree = nullptr;
    uint8_t mnReserved[8] = {};
    int32_t mnNextNode = 1;
    int32_t mnNextIcon = 1;
    // The next icon id when the file was read or last saved: icons from it on have no row in the file.
    int32_t mnFileNextIcon = 1;
    std::map<int32_t, ZIL_NODE> mmapNodes;
    std::map<int32_t, ZIL_ICON> mmapIcons;
    // Records by id for the dense range of ids, so that a pass over a list finds each record in one step.
    std::vector<ZIL_ICON*> mvIconIndex;
    // Icons whose data was read or saved, oldest first, with the bytes counted for each.
    std::deque<std::pair<int32_t, size_t>> mCachedData;
    size_t mnCachedBytes = 0;
    size_t mnCacheLimit = ZIL_DATA_CACHE_BYTES;
    // Icons whose new or changed data is in memory, oldest first, with the bytes counted for each.
    std::deque<std::pair<int32_t, size_t>> mUnsaved;
    size_t mnUnsavedBytes = 0;
    size_t mnUnsavedLimit = ZIL_UNSAVED_DATA_BYTES;
    std::unique_ptr<CSQLite> mpStage;
    std::filesystem::path mStagePath;
    std::set<int32_t> msetUnreadable;
    bool mbUnreadableNoticed = false;
    bool mbUnreadableTold = false;
    std::function<void()> mUnreadableNotice;
    // Notes an icon whose stored data cannot be read.
    void NoteUnreadable(int32_t nId, const char* pszWhy);
};

// Whether a block can be kept as an icon: ICO data with at least one image that lies inside the block.
bool ZsIsReadableIcon(ZsBytes data);
// "2 icons could not be read (ids 4, 9)": what the program says of icons whose stored data is damaged; the
// ids after the first nMaxIds are counted as "and N more".
std::string ZsUnreadableIconsText(const std::vector<int32_t>& ids, size_t nMaxIds = 20);

// The search history after a search for sText: the text first, every entry equal to it without regard to
// case dropped, at most nLimit entries (none for a limit of 0 or less).
std::vector<std::string> ZsUpdateFindHistory(std::vector<std::string> history, const std::string& sText,
                                             int nLimit);
// Puts a search text at the front of the stored history ("FindHistory"), with the limit of the options.
void ZsAddFindHistory(const std::string& sText, CZsMemIni& ini = ZsGetConfig());

// Removes from dir the staging files, owned by this user, of processes that have ended (a program that
// crashed leaves its unsaved data there); returns how many went. Called whenever a staging file is made.
int ZsRemoveStaleStagingFiles(const std::filesystem::path& dir);
