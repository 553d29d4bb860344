// The library of the very first run: "Default.pctv" in the data folder, made from the pictures of the
// desktop's installed icon themes, so that a new user's first window shows a working library instead of an
// empty frame. The desktop program makes it at its first start; the command-line tool can make it too.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The library of the first run, in the data folder.
inline constexpr const char* ZIL_DEFAULT_LIBRARY = "Default.pctv";

struct ZIL_SEED_OPTIONS {
    // Folders holding icon themes ("<folder>/<theme>/48x48/places/*.png", ".../scalable/places/*.svg"), or
    // themes themselves; ZsGetIconThemeDirs() when empty.
    std::vector<std::filesystem::path> themeDirs;
    // At most this many icons per category.
    int nMaxPerCategory = 32;
};

struct ZIL_SEED_RESULT {
    bool bMade = false;  // a library was written
    int nCategories = 0;
    int nIcons = 0;
    std::string sMessage;  // why nothing was written, for the user
};

// The folders icon themes are looked for in: the ":"-separated folders of $PICTAVO_ICON_THEMES when it is
// set, else "icons" below $XDG_DATA_HOME (default ~/.local/share) and below each folder of $XDG_DATA_DIRS
// (default /usr/local/share:/usr/share).
std::vector<std::filesystem::path> ZsGetIconThemeDirs();

// Writes a library at path whose categories below "My Icons" ("Places", "Devices", "File Types",
// "Applications", "Emotes", "Classic", "Status") hold the theme icons of that context, symbolic ones left
// out, in name order. Each name is one icon, from the first theme that has it (themes by folder, then by
// name, "hicolor" last), whose name is its keywords: every picture size the theme has for it up to 1024
// pixels (from 256 pixels up PNG-compressed, the theme's own PNG data kept), and its scalable drawing drawn
// at each standard size (ZI_SVG_ICON_SIZES) no picture has. Nothing is written when no theme has an icon of
// any context or the file cannot be written (sMessage says which).
ZIL_SEED_RESULT ZsMakeThemeLibrary(const std::filesystem::path& path, const ZIL_SEED_OPTIONS& options = {});

// True when the program has never run: the data folder holds neither "config.ini" nor the default library.
bool ZsIsFirstRun();

// On the very first run, makes the default library in the data folder with ZsMakeThemeLibrary; on any later
// run does nothing (bMade false, sMessage empty).
ZIL_SEED_RESULT ZsSeedDefaultLibrary(const ZIL_SEED_OPTIONS& options = {});
