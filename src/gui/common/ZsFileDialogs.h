// The file and folder choosers every command shares: a folder browser, a multiple-selection open dialog, a
// program chooser and a save dialog. Filters are written as "Text|*.a;*.b|Other|*.c||"; filter indexes count
// from 1. The dialogs are Qt's own (not the desktop's), so that they look the same everywhere and tests can
// drive them like any other modal dialog.
#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

// "Text|*.a;*.b|Other|*.c||" as Qt's name filters ("Text (*.a *.b)", "Other (*.c)"). A text that already
// names its patterns in brackets keeps them as they are.
QStringList ZsQtNameFilters(std::string_view sFilter);

// The filters of the import dialogs, made from the table of file types read (ZsFileTypes.h): every type,
// then icon files, icon libraries and modules, and pictures, each group with its patterns in its text, and
// all files last. The picture filter holds pictures and all files.
std::string ZsImportFilesFilter();
std::string ZsPictureFilesFilter();

// A folder chosen below the initial folder (when given); empty on cancel.
std::filesystem::path ZsBrowseFolder(QWidget* pParent, const std::filesystem::path& initial,
                                     const QString& sTitle = {});

// Existing files, several at once, starting in *pFolder with filter *pnFilterIndex (1 when 0 or out of
// range). On OK: true, the paths, the chosen filter index and, as the new folder, the folder of the first
// path.
bool ZsOpenFilesDialog(QWidget* pParent, std::string_view sFilter, int* pnFilterIndex,
                       std::filesystem::path* pFolder, std::vector<std::filesystem::path>& paths,
                       const QString& sTitle = {});

// One program, starting in *pFolder; on OK the path, and its folder stored back into *pFolder. Empty on
// cancel.
std::filesystem::path ZsOpenProgramDialog(QWidget* pParent, std::filesystem::path* pFolder);

// A path to write, asking before an existing file is replaced. The default extension (without a dot) is
// added to a name typed without one; *pnFilterIndex is used on opening and receives the chosen filter.
// accept, when given, judges the chosen path first (and says why it refuses one); a refused path, or a file
// the user does not want replaced, brings the dialog back. Empty on cancel.
std::filesystem::path ZsSaveFileDialog(QWidget* pParent, std::string_view sFilter, std::string_view sDefExt,
                                       const std::filesystem::path& fileName, int* pnFilterIndex,
                                       const QString& sTitle = {},
                                       const std::function<bool(const std::filesystem::path&)>& accept = {});
