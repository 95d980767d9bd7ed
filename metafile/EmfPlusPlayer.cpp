#include "metafile/EmfPlusPlayer.h"

#include "metafile/EmfPlayer.h"

namespace metafile {

EmfPlusPlayer::EmfPlusPlayer(EmfPlayer& emf, ICanvas& canvas, PlayBudget& budget)
    : m_emf(emf), m_canvas(canvas), m_budget(budget)
{
}

EmfPlusPlayer::~EmfPlusPlayer() = default;

// EMF+ drawing is not played yet: the EMF records of a dual file stand in.
void EmfPlusPlayer::PlayComment(const EmfRecord&) {}

} // namespace metafile
