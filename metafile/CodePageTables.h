// Tables of the single-byte Windows code pages.
#pragma once

namespace metafile {

// The characters of bytes 0x80 to 0xFF in a single-byte code page (874,
// 1250 to 1258, 437, 10000 for Mac Roman), or null for another code page.
const char16_t* SingleByteUpperHalf(int codePage) noexcept;

} // namespace metafile
