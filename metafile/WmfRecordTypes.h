// The META_* record functions a WMF file holds (META_EOF, META_SETWINDOWORG
// and META_SETWINDOWEXT are in WmfRecords.h).
#pragma once

#include <cstdint>

namespace metafile {

inline constexpr std::uint16_t META_SAVEDC = 0x001E;
inline constexpr std::uint16_t META_REALIZEPALETTE = 0x0035;
inline constexpr std::uint16_t META_SETPALENTRIES = 0x0037;
inline constexpr std::uint16_t META_CREATEPALETTE = 0x00F7;
inline constexpr std::uint16_t META_SETBKMODE = 0x0102;
inline constexpr std::uint16_t META_SETMAPMODE = 0x0103;
inline constexpr std::uint16_t META_SETROP2 = 0x0104;
inline constexpr std::uint16_t META_SETRELABS = 0x0105;
inline constexpr std::uint16_t META_SETPOLYFILLMODE = 0x0106;
inline constexpr std::uint16_t META_SETSTRETCHBLTMODE = 0x0107;
inline constexpr std::uint16_t META_SETTEXTCHAREXTRA = 0x0108;
inline constexpr std::uint16_t META_RESTOREDC = 0x0127;
inline constexpr std::uint16_t META_INVERTREGION = 0x012A;
inline constexpr std::uint16_t META_PAINTREGION = 0x012B;
inline constexpr std::uint16_t META_SELECTCLIPREGION = 0x012C;
inline constexpr std::uint16_t META_SELECTOBJECT = 0x012D;
inline constexpr std::uint16_t META_SETTEXTALIGN = 0x012E;
inline constexpr std::uint16_t META_RESIZEPALETTE = 0x0139;
inline constexpr std::uint16_t META_DIBCREATEPATTERNBRUSH = 0x0142;
inline constexpr std::uint16_t META_SETLAYOUT = 0x0149;
inline constexpr std::uint16_t META_DELETEOBJECT = 0x01F0;
inline constexpr std::uint16_t META_CREATEPATTERNBRUSH = 0x01F9;
inline constexpr std::uint16_t META_SETBKCOLOR = 0x0201;
inline constexpr std::uint16_t META_SETTEXTCOLOR = 0x0209;
inline constexpr std::uint16_t META_SETTEXTJUSTIFICATION = 0x020A;
inline constexpr std::uint16_t META_SETVIEWPORTORG = 0x020D;
inline constexpr std::uint16_t META_SETVIEWPORTEXT = 0x020E;
inline constexpr std::uint16_t META_OFFSETWINDOWORG = 0x020F;
inline constexpr std::uint16_t META_OFFSETVIEWPORTORG = 0x0211;
inline constexpr std::uint16_t META_LINETO = 0x0213;
inline constexpr std::uint16_t META_MOVETO = 0x0214;
inline constexpr std::uint16_t META_OFFSETCLIPRGN = 0x0220;
inline constexpr std::uint16_t META_FILLREGION = 0x0228;
inline constexpr std::uint16_t META_SETMAPPERFLAGS = 0x0231;
inline constexpr std::uint16_t META_SELECTPALETTE = 0x0234;
inline constexpr std::uint16_t META_CREATEPENINDIRECT = 0x02FA;
inline constexpr std::uint16_t META_CREATEFONTINDIRECT = 0x02FB;
inline constexpr std::uint16_t META_CREATEBRUSHINDIRECT = 0x02FC;
inline constexpr std::uint16_t META_POLYGON = 0x0324;
inline constexpr std::uint16_t META_POLYLINE = 0x0325;
inline constexpr std::uint16_t META_SCALEWINDOWEXT = 0x0410;
inline constexpr std::uint16_t META_SCALEVIEWPORTEXT = 0x0412;
inline constexpr std::uint16_t META_EXCLUDECLIPRECT = 0x0415;
inline constexpr std::uint16_t META_INTERSECTCLIPRECT = 0x0416;
inline constexpr std::uint16_t META_ELLIPSE = 0x0418;
inline constexpr std::uint16_t META_FLOODFILL = 0x0419;
inline constexpr std::uint16_t META_RECTANGLE = 0x041B;
inline constexpr std::uint16_t META_SETPIXEL = 0x041F;
inline constexpr std::uint16_t META_FRAMEREGION = 0x0429;
inline constexpr std::uint16_t META_ANIMATEPALETTE = 0x0436;
inline constexpr std::uint16_t META_TEXTOUT = 0x0521;
inline constexpr std::uint16_t META_POLYPOLYGON = 0x0538;
inline constexpr std::uint16_t META_EXTFLOODFILL = 0x0548;
inline constexpr std::uint16_t META_ROUNDRECT = 0x061C;
inline constexpr std::uint16_t META_PATBLT = 0x061D;
inline constexpr std::uint16_t META_ESCAPE = 0x0626;
inline constexpr std::uint16_t META_CREATEREGION = 0x06FF;
inline constexpr std::uint16_t META_ARC = 0x0817;
inline constexpr std::uint16_t META_PIE = 0x081A;
inline constexpr std::uint16_t META_CHORD = 0x0830;
inline constexpr std::uint16_t META_BITBLT = 0x0922;
inline constexpr std::uint16_t META_DIBBITBLT = 0x0940;
inline constexpr std::uint16_t META_EXTTEXTOUT = 0x0A32;
inline constexpr std::uint16_t META_STRETCHBLT = 0x0B23;
inline constexpr std::uint16_t META_DIBSTRETCHBLT = 0x0B41;
inline constexpr std::uint16_t META_SETDIBTODEV = 0x0D33;
inline constexpr std::uint16_t META_STRETCHDIB = 0x0F43;

// META_ESCAPE functions.
inline constexpr std::uint16_t MFCOMMENT = 0x000F;

} // namespace metafile
