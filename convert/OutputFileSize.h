// The exact size of the file a conversion writes, known before writing it.
#pragma once

#include <cstdint>
#include <optional>

// Bytes of the .bmp file written for a picture of width × height pixels (as
// stored, after any turn) in the imaging pixel-format code; nothing for a
// size that is not positive or a format the program does not write.
std::optional<std::uint64_t> BmpFileBytes(int pixelFormat, int width, int height);
