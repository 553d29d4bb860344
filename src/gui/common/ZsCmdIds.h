// Command identifiers of menus, toolbars and accelerators. The numbers are part of the program's stored
// state ("IconViewFormat" holds one of them) and stay as they are.
#pragma once

enum ZsCmdId : int {
    // File
    ID_FILE_NEW_LIB = 32768,
    ID_LIB_COMPACT = 32769,
    ID_FILE_SAVE_ALL = 53264,
    ID_FILE_OPEN = 57601,
    ID_FILE_CLOSE = 57602,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_MRU_FILE1 = 57616,
    ID_FILE_MRU_FILE16 = 57631,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,

    // Edit
    ID_EDIT_CLEAR = 57632,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_FIND = 57636,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_SELECT_ALL = 57642,
    ID_EDIT_INVERT_SEL = 53281,
    ID_EDIT_RENAME = 53286,

    // Categories
    ID_LIB_NODE_ADD = 33024,
    ID_LIB_NODE_ADD_ABOVE = 33025,
    ID_LIB_NODE_ADD_BELOW = 33026,
    ID_LIB_IMP_DIRS = 33565,
    ID_LIB_EXP_DIRS = 33568,

    // Icons
    ID_ICON_IMPORT = 33028,
    ID_ICON_EXPORT = 33029,
    ID_ICON_DEL_FMTS = 33033,
    ID_ICON_PROPERTIES = 33034,
    ID_ICON_MERGE = 33038,
    ID_ICON_IMP_DIR = 33564,
    ID_ICON_EDIT_ASS = 33580,
    ID_ICON_IMP_GRID = 33594,
    ID_ICON_EXP_GRID = 33595,

    // Images
    ID_IMG_NEW = 33559,
    ID_IMG_EXPORT = 33560,

    // View
    ID_VIEW_16 = 33280,
    ID_VIEW_24 = 33281,
    ID_VIEW_32 = 33282,
    ID_VIEW_48 = 33283,
    ID_VIEW_64 = 33284,
    ID_VIEW_72 = 33285,
    ID_VIEW_80 = 33286,
    ID_VIEW_96 = 33287,
    ID_VIEW_128 = 33288,
    ID_VIEW_256 = 33289,
    ID_VIEW_ICON_INFO = 33290,
    ID_VIEW_ICON_ROWS = 33291,
    ID_VIEW_PREVIEW = 33552,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,

    // Tools, Window, Help
    ID_TOOLS_OPTIONS = 33554,
    ID_WINDOW_ARRANGE = 57649,
    ID_WINDOW_CASCADE = 57650,
    ID_WINDOW_TILE_HORZ = 57651,
    ID_HELP_HOMEPAGE = 53296,
    ID_HELP_SUPPORT = 53297,
    ID_HELP = 57670,

    // The drop menu of the tree views
    ID_DND_MOVE = 53248,
    ID_DND_MOVE_ABOVE = 53249,
    ID_DND_MOVE_BELOW = 53250,
    ID_DND_COPY = 53251,
    ID_DND_COPY_ABOVE = 53252,
    ID_DND_COPY_BELOW = 53253,
    ID_DND_CANCEL = 53254,

    // The tray icon's menu
    ID_TRAY_SHOW_HIDE = 100,
    ID_TRAY_EXIT = 101,
};

// Pixels of a display size command (ID_VIEW_16 ... ID_VIEW_256); 0 for any other id.
int ZsDisplaySizeOf(int nCmdId);
