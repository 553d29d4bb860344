// What every transfer between windows and with the desktop shares: the private format of transfers inside
// the program, and the reading of dropped file lists.
#pragma once

#include <QString>
#include <filesystem>
#include <string_view>
#include <vector>

class QMimeData;

// The private format, meaningful only inside the process that made it.
inline constexpr const char* ZS_DND_MIME = "ZSDND{FF95961A-F2E5-4442-B555-5B8C4338621F}";

bool ZsHasFormat(const QMimeData* pData, const QString& sMimeType);

// Reads the dropped local files: a directory goes to *pDirs (when given), any other path to *pFiles (when
// given) provided its name matches the ";"-separated wildcard list sFilter or no filter is given. False when
// the data holds no file list.
bool ZsGetDroppedFiles(const QMimeData* pData, std::vector<std::filesystem::path>* pDirs,
                       std::vector<std::filesystem::path>* pFiles, std::string_view sFilter = {});
