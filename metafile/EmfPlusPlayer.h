// Plays the EMF+ records carried in EMF comments, and tells the EMF player
// when its own records are to be drawn: in a file with EMF+ drawing, only
// after an EMF+ GetDC record and until the next EMF+ record.
#pragma once

#include "metafile/Canvas.h"
#include "metafile/EmfPlusObjects.h"
#include "metafile/EmfRecords.h"
#include "metafile/PlayLimits.h"

#include <vector>

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

    struct PlusRecord
    {
        std::uint16_t type = 0;
        std::uint16_t flags = 0;
        ByteReader data;
    };

private:
    // false: the record could not be played.
    bool PlayRecord(const PlusRecord& record);
    bool PlayStateRecord(const PlusRecord& record, bool& mine); // EmfPlusState.cpp
    bool PlayDrawRecord(const PlusRecord& record, bool& mine);  // EmfPlusDraw.cpp
    bool PlayShapeRecord(const PlusRecord& record, bool& mine); // EmfPlusShapes.cpp
    bool PlayImageRecord(const PlusRecord& record, bool& mine); // EmfPlusDrawImage.cpp
    bool PlayTextRecord(const PlusRecord& record, bool& mine);  // EmfPlusText.cpp

    // World units to the canvas's output pixels.
    Matrix WorldToDevice() const;
    void ApplyWorld();
    bool BrushFor(std::uint16_t flags, std::uint32_t value, Brush& out) const;
    bool PenFor(std::uint32_t id, Pen& out) const;
    bool FontFor(std::uint32_t id, FontSpec& out) const; // EmfPlusText.cpp
    void SetClip(const Path& world, std::uint32_t mode);

    EmfPlayer& m_emf;
    ICanvas& m_canvas;
    PlayBudget& m_budget;
    bool m_emfEnabled = true;
    bool m_headerSeen = false;
    double m_dpiX = 96, m_dpiY = 96;
    Matrix m_world;
    Matrix m_base; // the containers in force
    std::uint32_t m_pageUnit = 1;
    double m_pageScale = 1;
    struct Saved
    {
        std::uint32_t index = 0;
        Matrix world, base;
        std::uint32_t pageUnit = 1;
        double pageScale = 1;
    };
    std::vector<Saved> m_saved;
    PlusObjectTable m_objects;
};

} // namespace metafile
