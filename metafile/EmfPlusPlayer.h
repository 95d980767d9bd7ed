// Plays the EMF+ records carried in EMF comments, and tells the EMF player
// when its own records are to be drawn: in a file with EMF+ drawing, only
// after an EMF+ GetDC record and until the next EMF+ record.
#pragma once

#include "metafile/Canvas.h"
#include "metafile/EmfRecords.h"
#include "metafile/PlayLimits.h"

namespace metafile {

class EmfPlayer;

class EmfPlusPlayer
{
public:
    EmfPlusPlayer(EmfPlayer& emf, ICanvas& canvas, PlayBudget& budget);
    ~EmfPlusPlayer();

    // One EMR_COMMENT that carries EMF+ records.
    void PlayComment(const EmfRecord& comment);
    // True while the EMF records are to be drawn.
    bool EmfRecordsEnabled() const noexcept { return m_emfEnabled; }

private:
    EmfPlayer& m_emf;
    ICanvas& m_canvas;
    PlayBudget& m_budget;
    bool m_emfEnabled = true;
};

} // namespace metafile
