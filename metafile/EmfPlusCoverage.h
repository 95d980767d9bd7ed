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
    bool hasEmfDrawing = false;    // records other than header, comments and end
    // A dual file with records the EMF+ player does not draw is shown from its
    // EMF records, when it has any: some writers flag files dual that are not.
    bool PlayEmfPlus() const noexcept { return hasHeader && (everyRecordDrawn || !dual || !hasEmfDrawing); }
};

EmfPlusCoverage SurveyEmfPlus(std::span<const std::uint8_t> bytes) noexcept;

} // namespace metafile
