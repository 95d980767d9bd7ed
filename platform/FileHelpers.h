// Small file and path helpers shared by start-up, the language engine and
// the conversion code.
#pragma once

#include <QString>

// The longest path the system takes, in characters (PATH_MAX less the
// terminator on Linux); longer paths are refused, never cut.
constexpr int kMaxPathChars = 4095;

// True when the path names an existing file that can be opened for reading.
// Folders are not files, even where the system would open them.
bool FileExists(const QString& path);

// The path up to and including its last separator ('/', and '\' on Windows);
// empty when it has none.
QString GetPathFolder(const QString& path);

// Finds a file in a folder by name without regard to letter case, the way a
// case-insensitive file system would: an exact match wins, otherwise the first
// entry in name order that matches ignoring case. Returns the full path, or an
// empty string when nothing matches.
QString FindFileIgnoringCase(const QString& folder, const QString& fileName);
