// Plays the records of an EMF file into the GDI core, and hands its EMF+
// comments to the EMF+ player.
#pragma once

#include "metafile/EmfHeader.h"
#include "metafile/EmfRecords.h"
#include "metafile/GdiCore.h"
#include "metafile/GdiObjects.h"
#include "metafile/Metafile.h"

#include <span>

namespace metafile {

class EmfPlusPlayer;

class EmfPlayer
{
public:
    EmfPlayer(std::span<const std::uint8_t> bytes, ICanvas& canvas, const RectD& target, PlayBudget& budget,
              int nesting);
    ~EmfPlayer();

    PlayReport Play();

    GdiCore& Core() noexcept { return m_core; }
    ObjectTable& Objects() noexcept { return m_objects; }
    const EmfHeader& Header() const noexcept { return m_header; }
    PlayBudget& Budget() noexcept { return m_budget; }
    int Nesting() const noexcept { return m_nesting; }
    const RectD& Target() const noexcept { return m_target; }

private:
    std::span<const std::uint8_t> m_bytes;
    ICanvas& m_canvas;
    RectD m_target;
    PlayBudget& m_budget;
    int m_nesting;
    EmfHeader m_header;
    MetafileStatus m_headerStatus;
    GdiCore m_core;
    ObjectTable m_objects;
};

// What a record group made of a record.
enum class RecordResult
{
    NotMine, // another group's type
    Played,
    Skipped, // this group's type, but damaged or not drawable
};

// The record groups, each in its own file.
RecordResult PlayEmfStateRecord(EmfPlayer& player, const EmfRecord& record);   // EmfPlayState.cpp
RecordResult PlayEmfDrawingRecord(EmfPlayer& player, const EmfRecord& record); // EmfPlayDrawing.cpp
RecordResult PlayEmfClipRecord(EmfPlayer& player, const EmfRecord& record);    // EmfPlayClip.cpp
RecordResult PlayEmfTextRecord(EmfPlayer& player, const EmfRecord& record);    // EmfPlayText.cpp
RecordResult PlayEmfBitmapRecord(EmfPlayer& player, const EmfRecord& record);  // EmfPlayBitmap.cpp

} // namespace metafile
