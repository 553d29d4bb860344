// Every setting the program keeps in "config.ini": its section, key, type and default, in one table. Code
// reads and writes its settings only through these constants (ZS_ICON_VIEW_FORMAT.Get(),
// ZS_OPT_RESIZE.Set(2)), never through literal names.
//
// Application-wide values live in section "Main". A dialog that remembers its controls uses its own class
// name as the section and its control names as keys; a bool is stored as 0 or 1, a drop-down list as its
// index, an edit or editable combo box as its text. Keys shared by several dialogs (the format choosers) are
// CZsDlgKey entries, bound to the dialog's section at the point of use: ZS_FMTS_CHK_EXC.In(ZS_SEC_DEL_FMTS).
//
// Each Get and Set works on the process-wide configuration unless another store is passed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/ZsConfig.h"
#include "common/ZsFileTypes.h"

// An integer; numbers may also be written as "0x" hexadecimal, and text that is no number reads as the
// default.
struct CZsIntSetting {
    const char* pszSection;
    const char* pszKey;
    int nDefault;

    int Get(const CZsMemIni& ini = ZsGetConfig()) const { return ini.GetInt(pszKey, nDefault, pszSection); }
    void Set(int nValue, CZsMemIni& ini = ZsGetConfig()) const { ini.SetInt(pszKey, nValue, pszSection); }
};

// A check box or radio button: stored as 0 or 1; read as an integer, any number but 0 is on, and text that
// is no number reads as the default.
struct CZsBoolSetting {
    const char* pszSection;
    const char* pszKey;
    bool bDefault;

    bool Get(const CZsMemIni& ini = ZsGetConfig()) const {
        return ini.GetInt(pszKey, bDefault ? 1 : 0, pszSection) != 0;
    }
    void Set(bool bValue, CZsMemIni& ini = ZsGetConfig()) const {
        ini.SetInt(pszKey, bValue ? 1 : 0, pszSection);
    }
};

// Where a text setting's default comes from: the literal text, or one of the program's folders (with its
// trailing separator).
enum class ZS_TEXT_DEFAULT { LITERAL, DOCUMENTS_DIR, APP_DIR };

struct CZsTextSetting {
    const char* pszSection;
    const char* pszKey;
    const char* pszDefault;
    ZS_TEXT_DEFAULT nDefaultFrom = ZS_TEXT_DEFAULT::LITERAL;

    std::string Default() const;
    std::string Get(const CZsMemIni& ini = ZsGetConfig()) const;
    void Set(std::string_view value, CZsMemIni& ini = ZsGetConfig()) const {
        ini.SetString(pszKey, value, pszSection);
    }
};

// A whole section used as a list of texts under the keys "0", "1", ...; empty by default.
struct CZsListSetting {
    const char* pszSection;

    std::vector<std::string> Get(const CZsMemIni& ini = ZsGetConfig()) const {
        return ini.GetList(pszSection);
    }
    void Set(const std::vector<std::string>& values, CZsMemIni& ini = ZsGetConfig()) const {
        ini.SetList(pszSection, values);
    }
};

// A list of integers under ZS_KEY_SEL_FMTS; empty by default.
struct CZsIntListSetting {
    const char* pszSection;

    std::vector<int> Get(const CZsMemIni& ini = ZsGetConfig()) const { return ini.GetIntList(pszSection); }
    void Set(const std::vector<int>& values, CZsMemIni& ini = ZsGetConfig()) const {
        ini.SetIntList(pszSection, values);
    }
};

// A key that several dialog classes keep, each under its own class name.
template <class TSetting>
struct CZsDlgKey {
    TSetting mProto;  // everything but the section

    constexpr TSetting In(const char* pszSection) const {
        TSetting setting = mProto;
        setting.pszSection = pszSection;
        return setting;
    }
};

// Sections.
inline constexpr const char* ZS_SEC_MAIN = "Main";
inline constexpr const char* ZS_SEC_WORKSPACE = "Workspace";
inline constexpr const char* ZS_SEC_FIND_HISTORY = "FindHistory";
inline constexpr const char* ZS_SEC_OPT = "CDlgOpt";
inline constexpr const char* ZS_SEC_ICON_FIND = "CDlgIconFind";
inline constexpr const char* ZS_SEC_IMP_GRID = "CDlgImpGrid";
// The grid export dialog has no class information of its own, so its keys have always been stored under
// the name of its framework base class. Existing files rely on it.
inline constexpr const char* ZS_SEC_EXP_GRID = "CDialog";
inline constexpr const char* ZS_SEC_NEW_FMTS = "CDlgNewFmts";
inline constexpr const char* ZS_SEC_DEL_FMTS = "CDlgDelFmts";
inline constexpr const char* ZS_SEC_ICON_EXP = "CDlgIconExp";
inline constexpr const char* ZS_SEC_IMG_EXP = "CDlgImgExp";

// "Main": the main window and the icon list.
inline constexpr CZsTextSetting ZS_MAIN_WND_PLACEMENT{ZS_SEC_MAIN, "MainWndPlacement", ""};  // 88 hex digits
// The icon display size command, 33280 (16x16) to 33289 (256x256).
inline constexpr CZsIntSetting ZS_ICON_VIEW_FORMAT{ZS_SEC_MAIN, "IconViewFormat", 33282};
inline constexpr CZsBoolSetting ZS_ICON_VIEW_INFO{ZS_SEC_MAIN, "IconViewInfo", true};
// The icon list flows in rows that wrap at its width (1) instead of in columns (0).
inline constexpr CZsBoolSetting ZS_ICON_VIEW_ROWS{ZS_SEC_MAIN, "IconViewRows", false};

// "Main": file and folder dialogs. Filter indexes count from 1; for the grid export 1 to 5 are BMP, JPEG,
// GIF, TIFF and PNG.
inline constexpr CZsIntSetting ZS_IMP_ICON_FLTR_IDX{ZS_SEC_MAIN, "ImpIconFltrIdx", 1};
inline constexpr CZsTextSetting ZS_IMP_ICON_INIT_DIR{ZS_SEC_MAIN, "ImpIconInitDir", "",
                                                     ZS_TEXT_DEFAULT::DOCUMENTS_DIR};
inline constexpr CZsIntSetting ZS_IMP_GRID_FLTR_IDX{ZS_SEC_MAIN, "ImpGridFltrIdx", 1};
inline constexpr CZsTextSetting ZS_IMP_GRID_INIT_DIR{ZS_SEC_MAIN, "ImpGridInitDir", "",
                                                     ZS_TEXT_DEFAULT::DOCUMENTS_DIR};
inline constexpr CZsIntSetting ZS_EXP_GRID_FLTR_IDX{ZS_SEC_MAIN, "ExpGridFltrIdx", 5};
inline constexpr CZsTextSetting ZS_EXP_GRID_INIT_DIR{ZS_SEC_MAIN, "ExpGridInitDir", "",
                                                     ZS_TEXT_DEFAULT::DOCUMENTS_DIR};
inline constexpr CZsTextSetting ZS_IMP_DIR_INIT_DIR{ZS_SEC_MAIN, "ImpDirInitDir", "",
                                                    ZS_TEXT_DEFAULT::APP_DIR};
inline constexpr CZsTextSetting ZS_IMP_DIRS_INIT_DIR{ZS_SEC_MAIN, "ImpDirsInitDir", "",
                                                     ZS_TEXT_DEFAULT::DOCUMENTS_DIR};
inline constexpr CZsTextSetting ZS_EXP_DIR{ZS_SEC_MAIN, "ExpDir", "", ZS_TEXT_DEFAULT::DOCUMENTS_DIR};

// The libraries open at the last exit, one "path;placement;selected item" entry each, the active one last.
inline constexpr CZsListSetting ZS_WORKSPACE{ZS_SEC_WORKSPACE};
// Find texts, most recent first, at most ZS_OPT_FIND_HISTORY of them.
inline constexpr CZsListSetting ZS_FIND_HISTORY{ZS_SEC_FIND_HISTORY};

// The options dialog.
inline constexpr CZsBoolSetting ZS_OPT_IMP_DIRS_WITH_ICONS{ZS_SEC_OPT, "IDC_CHK_IMP_DIRS_WITH_ICONS", true};
inline constexpr CZsTextSetting ZS_OPT_IMP_EXTS{ZS_SEC_OPT, "IDC_CBO_IMP_EXTS", ZS_IMPORT_PATTERNS};
// Edit icons with the program at ZS_OPT_ASS_PATH instead of the system's associated one.
inline constexpr CZsBoolSetting ZS_OPT_ASS{ZS_SEC_OPT, "IDC_CHK_ASS", false};
inline constexpr CZsTextSetting ZS_OPT_ASS_PATH{ZS_SEC_OPT, "IDC_EDT_ASS", ""};
// Images dragged to the desktop shell: 0 BMP, 1 JPEG, 2 GIF, 3 TIFF, 4 PNG, 5 icon file, 7 WebP.
inline constexpr CZsIntSetting ZS_OPT_DND_IMG_FILE_FMT{ZS_SEC_OPT, "IDC_CBO_DND_IMG_FILE_FMT", 4};
// Imported pictures: 0 enlarge to a standard icon size, 1 shrink to one, 2 keep the original size.
inline constexpr CZsIntSetting ZS_OPT_RESIZE{ZS_SEC_OPT, "IDC_CBO_RESIZE", 0};
inline constexpr CZsIntSetting ZS_OPT_FIND_HISTORY{ZS_SEC_OPT, "IDC_EDT_FIND_HISTORY", 20};
// Generated 32-bit images of at least IDC_EDT_PNG_SIZE pixels a side are stored PNG-compressed.
inline constexpr CZsBoolSetting ZS_OPT_PNG{ZS_SEC_OPT, "IDC_CHK_PNG", false};
inline constexpr CZsIntSetting ZS_OPT_PNG_SIZE{ZS_SEC_OPT, "IDC_EDT_PNG_SIZE", 256};

// The find dialog. Scope index: 0 selected and descendant categories, 1 selected only, 2 all.
inline constexpr CZsIntSetting ZS_FIND_IN{ZS_SEC_ICON_FIND, "IDC_CBO_FIND_IN", 0};
inline constexpr CZsBoolSetting ZS_FIND_CASE_SENSITIVE{ZS_SEC_ICON_FIND, "IDC_CHK_CASE_SENSITIVE", false};
inline constexpr CZsBoolSetting ZS_FIND_WHOLE_WORD{ZS_SEC_ICON_FIND, "IDC_CHK_WHOLE_WORD", false};
inline constexpr CZsBoolSetting ZS_FIND_REG_EX{ZS_SEC_ICON_FIND, "IDC_CHK_REG_EX", false};
inline constexpr CZsBoolSetting ZS_FIND_IN_NAMES{ZS_SEC_ICON_FIND, "IDC_CHK_FIND_IN_NAMES", true};
inline constexpr CZsBoolSetting ZS_FIND_IN_KWDS{ZS_SEC_ICON_FIND, "IDC_CHK_FIND_IN_KWDS", true};

// The grid import dialog: columns by tile width (W) or by count (C), rows by tile height (H) or count (R).
inline constexpr CZsBoolSetting ZS_IMP_GRID_RDO_W{ZS_SEC_IMP_GRID, "IDC_RDO_W", true};
inline constexpr CZsBoolSetting ZS_IMP_GRID_RDO_C{ZS_SEC_IMP_GRID, "IDC_RDO_C", false};
inline constexpr CZsBoolSetting ZS_IMP_GRID_RDO_H{ZS_SEC_IMP_GRID, "IDC_RDO_H", true};
inline constexpr CZsBoolSetting ZS_IMP_GRID_RDO_R{ZS_SEC_IMP_GRID, "IDC_RDO_R", false};
inline constexpr CZsBoolSetting ZS_IMP_GRID_CHK_SQR{ZS_SEC_IMP_GRID, "IDC_CHK_SQR", true};
inline constexpr CZsIntSetting ZS_IMP_GRID_CBO_W{ZS_SEC_IMP_GRID, "IDC_CBO_W", 16};
inline constexpr CZsIntSetting ZS_IMP_GRID_CBO_H{ZS_SEC_IMP_GRID, "IDC_CBO_H", 16};
inline constexpr CZsIntSetting ZS_IMP_GRID_EDT_C{ZS_SEC_IMP_GRID, "IDC_EDT_C", 8};
inline constexpr CZsIntSetting ZS_IMP_GRID_EDT_R{ZS_SEC_IMP_GRID, "IDC_EDT_R", 8};

// The grid export dialog: cell size, layout (strip, square or custom), spacing and background colour
// (0x00BBGGRR, magenta by default).
inline constexpr CZsIntSetting ZS_EXP_GRID_CBO_W{ZS_SEC_EXP_GRID, "IDC_CBO_W", 16};
inline constexpr CZsIntSetting ZS_EXP_GRID_CBO_H{ZS_SEC_EXP_GRID, "IDC_CBO_H", 16};
inline constexpr CZsBoolSetting ZS_EXP_GRID_CHK_SQR{ZS_SEC_EXP_GRID, "IDC_CHK_SQR", true};
inline constexpr CZsBoolSetting ZS_EXP_GRID_RDO_STRIP{ZS_SEC_EXP_GRID, "IDC_RDO_STRIP", true};
inline constexpr CZsBoolSetting ZS_EXP_GRID_RDO_SQR{ZS_SEC_EXP_GRID, "IDC_RDO_SQR", false};
inline constexpr CZsBoolSetting ZS_EXP_GRID_RDO_CUSTOM{ZS_SEC_EXP_GRID, "IDC_RDO_CUSTOM", false};
inline constexpr CZsBoolSetting ZS_EXP_GRID_CHK_INTERVAL{ZS_SEC_EXP_GRID, "IDC_CHK_INTERVAL", false};
inline constexpr CZsIntSetting ZS_EXP_GRID_EDT_INTERVAL{ZS_SEC_EXP_GRID, "IDC_EDT_INTERVAL", 2};
inline constexpr CZsBoolSetting ZS_EXP_GRID_CHK_BG_COLOR{ZS_SEC_EXP_GRID, "IDC_CHK_BG_COLOR", false};
inline constexpr CZsIntSetting ZS_EXP_GRID_BTN_BG_COLOR{ZS_SEC_EXP_GRID, "IDC_BTN_BG_COLOR", 0xFF00FF};

// The format choosers, each under its own class name: ZS_SEC_NEW_FMTS, ZS_SEC_DEL_FMTS, ZS_SEC_ICON_EXP,
// ZS_SEC_IMG_EXP. The chosen formats are packed formats; the custom depth is an index into XP, 16M, 256,
// 16, Mono.
inline constexpr CZsDlgKey<CZsIntListSetting> ZS_FMTS_LB_SEL_FMTS{{nullptr}};
inline constexpr CZsDlgKey<CZsBoolSetting> ZS_FMTS_CHK_EXC{{nullptr, "IDC_CHK_EXC", false}};
inline constexpr CZsDlgKey<CZsBoolSetting> ZS_FMTS_CHK_SQR{{nullptr, "IDC_CHK_SQR", true}};
inline constexpr CZsDlgKey<CZsIntSetting> ZS_FMTS_EDT_W{{nullptr, "IDC_EDT_W", 8}};
inline constexpr CZsDlgKey<CZsIntSetting> ZS_FMTS_EDT_H{{nullptr, "IDC_EDT_H", 8}};
inline constexpr CZsDlgKey<CZsIntSetting> ZS_FMTS_CMB_B{{nullptr, "IDC_CMB_B", 0}};
inline constexpr CZsBoolSetting ZS_DEL_FMTS_KEEP_BIG{ZS_SEC_DEL_FMTS, "IDC_CHK_KEEP_BIG", false};
inline constexpr CZsBoolSetting ZS_NEW_FMTS_BASE_ON_SEL{ZS_SEC_NEW_FMTS, "IDC_CHK_BASE_ON_SEL", true};

// The export dialogs, each under its own class name: ZS_SEC_ICON_EXP, ZS_SEC_IMG_EXP. The file format index
// runs 0 BMP, 1 JPEG, 2 GIF, 3 TIFF, 4 PNG, 5 icon file, 6 icon library, 7 Apple icon file, 8 icon theme.
inline constexpr CZsDlgKey<CZsBoolSetting> ZS_EXP_CHK_EACH{{nullptr, "IDC_CHK_EACH", false}};
inline constexpr CZsDlgKey<CZsBoolSetting> ZS_EXP_CHK_CUST{{nullptr, "IDC_CHK_CUST", false}};
inline constexpr CZsDlgKey<CZsBoolSetting> ZS_EXP_CHK_GEN{{nullptr, "IDC_CHK_GEN", true}};
inline constexpr CZsDlgKey<CZsTextSetting> ZS_EXP_EDT_DIR{
    {nullptr, "IDC_EDT_DIR", "", ZS_TEXT_DEFAULT::DOCUMENTS_DIR}};
inline constexpr CZsDlgKey<CZsIntSetting> ZS_EXP_CBO_FILE_FMT{{nullptr, "IDC_CBO_FILE_FMT", 5}};
