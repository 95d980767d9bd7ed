// The names the window proposes and derives for output files.
#pragma once

#include <QString>

#include <optional>

// The name shown for a photo: its file name with extension; the whole path
// when its fourth or fifth character is a colon (an address rather than a
// path). Nothing for an empty path.
std::optional<QString> GetDisplayName(const QString& path);

// The default output path for a photo: the output folder, then the photo's
// name without its last extension, then "_out.bmp".
QString DefaultOutputPath(const QString& outputFolder, const QString& photoPath);

// Where the output-file chooser opens: the folder of the current output path
// without its trailing separator, or "." when the path has none.
QString OutputChooserFolder(const QString& outputFile);

// The chosen output file with its extension (if any) replaced by ".bmp".
QString ForceBmpExtension(const QString& chosenPath);
