// A look over a file's EMF+ records before playing it.
#pragma once

#include <cstdint>
#include <span>

namespace metafile {

struct EmfPlusCoverage
{
    bool hasHeader = false;        // the file has EMF+ records at all
    bool dual = false;             // its EMF records draw the same picture
    bool everyRecordDrawn = true;  // the EMF+ player draws every record it uses
    // A dual file with records the EMF+ player does not draw is shown from its EMF records.
    bool PlayEmfPlus() const noexcept { return hasHeader && (everyRecordDrawn || !dual); }
};

EmfPlusCoverage SurveyEmfPlus(std::span<const std::uint8_t> bytes) noexcept;

} // namespace metafile
