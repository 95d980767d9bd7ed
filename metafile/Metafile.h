// The player's front door: what a metafile is (kind, size, resolution) and
// drawing it onto a canvas.
#pragma once

#include "metafile/Canvas.h"
#include "metafile/MetafileKind.h"
#include "metafile/MetafileStatus.h"
#include "metafile/PlayLimits.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace metafile {

struct MetafileInfo
{
    MetafileKind kind = MetafileKind::None;
    std::int32_t width = 0; // pixels
    std::int32_t height = 0;
    double dpiX = 96;
    double dpiY = 96;
    bool hasEmfPlus = false;
};

// Ok with the size and resolution, or why the data is no usable metafile.
MetafileStatus ReadMetafileInfo(std::span<const std::uint8_t> bytes, MetafileInfo& out) noexcept;

struct PlayReport
{
    MetafileStatus status = MetafileStatus::Ok; // the header's; Ok when drawing happened
    std::size_t recordsPlayed = 0;
    std::size_t recordsSkipped = 0; // unknown, damaged or over a limit
    bool budgetExhausted = false;   // a limit stopped the drawing early
    bool stoppedAtDamage = false;   // the record walk ended at a damaged record
};

// Draws the whole picture into target (the canvas's output pixels).
PlayReport PlayMetafile(std::span<const std::uint8_t> bytes, ICanvas& canvas, const RectD& target,
                        const PlayLimits& limits = {});

// The same for a metafile inside another one, sharing its budget.
PlayReport PlayNestedMetafile(std::span<const std::uint8_t> bytes, ICanvas& canvas, const RectD& target,
                              PlayBudget& budget, int nesting);

} // namespace metafile
