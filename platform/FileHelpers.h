// Small file and path helpers shared by start-up, the language engine and
// the conversion code.
#pragma once

#include <QString>

class QFile;

// The longest path the system takes, in characters (PATH_MAX less the
// terminator on Linux); longer paths are refused, never cut.
constexpr int kMaxPathChars = 4095;

enum class OpenForReadingResult
{
    Opened,
    Missing,    // nothing of that name
    NotRegular, // a folder, named pipe, socket or device (also behind a link)
    Unreadable  // a regular file that cannot be opened, e.g. for permissions
};

// Opens a path for reading only when it is a regular file. Named pipes,
// devices and folders are refused without being opened, so nothing a user
// puts in a folder can block the program or start a device.
OpenForReadingResult OpenRegularFileForReading(QFile& file, const QString& path);

// True when the path names an existing regular file that can be opened for
// reading. Folders, pipes and devices are not files, even where the system
// would open them.
bool FileExists(const QString& path);

// The path up to and including its last separator ('/', and '\' on Windows);
// empty when it has none.
QString GetPathFolder(const QString& path);

// Finds a regular file in a folder by name without regard to letter case, the
// way a case-insensitive file system would: an exact match wins, otherwise
// the first entry in name order that matches ignoring case. Returns the full
// path, or an empty string when nothing matches.
QString FindFileIgnoringCase(const QString& folder, const QString& fileName);
