// What the WMF record groups share while a file plays: the device context,
// the object table and the bound on it.
#pragma once

#include "metafile/EmfPlayer.h"
#include "metafile/GdiCore.h"
#include "metafile/GdiObjects.h"
#include "metafile/WmfRecords.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace metafile {

struct WmfPlayContext
{
    GdiCore& core;
    ObjectTable& objects;
    // Slots the file may fill: the header's NumberOfObjects, or the table's
    // own bound when the header leaves it zero.
    std::size_t maxObjects;

    PlayBudget& Budget() noexcept { return core.Budget(); }
    // Puts a new object in the lowest free slot, as PlayMetaFile does; false
    // when the slots are all taken.
    bool AddObject(GdiObject object);
};

// The parameter words after a record's size and function.
bool WmfI16(const WmfRecord& record, std::size_t index, std::int16_t& out) noexcept;
bool WmfU16(const WmfRecord& record, std::size_t index, std::uint16_t& out) noexcept;
bool WmfU32(const WmfRecord& record, std::size_t index, std::uint32_t& out) noexcept;
// A COLORREF at parameter word index.
bool WmfColor(const WmfRecord& record, std::size_t index, Color& out) noexcept;
// Parameters stored bottom, right, top, left from word index on.
bool WmfRectBRTL(const WmfRecord& record, std::size_t index, RectD& out) noexcept;
// Parameters stored y, x from word index on.
bool WmfPointYX(const WmfRecord& record, std::size_t index, PointD& out) noexcept;
// The bytes of the record from parameter word index to its end.
ByteReader WmfTail(const WmfRecord& record, std::size_t index) noexcept;

// length single-byte characters as Windows-1252 (the default charsets);
// stopAtNul ends at the first zero, as face names do.
std::u16string WmfDecodeText(const ByteReader& bytes, std::size_t length, bool stopAtNul);

// The record groups, each in its own file.
RecordResult PlayWmfStateRecord(WmfPlayContext& play, const WmfRecord& record); // WmfPlayState.cpp
RecordResult PlayWmfObjectRecord(WmfPlayContext& play,
                                 const WmfRecord& record); // WmfPlayObjects.cpp
RecordResult PlayWmfDrawingRecord(WmfPlayContext& play,
                                  const WmfRecord& record);                    // WmfPlayDrawing.cpp
RecordResult PlayWmfClipRecord(WmfPlayContext& play, const WmfRecord& record); // WmfPlayClip.cpp
RecordResult PlayWmfTextRecord(WmfPlayContext& play, const WmfRecord& record); // WmfPlayText.cpp
RecordResult PlayWmfBitmapRecord(WmfPlayContext& play,
                                 const WmfRecord& record); // WmfPlayBitmap.cpp

} // namespace metafile
