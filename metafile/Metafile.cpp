#include "metafile/Metafile.h"

#include "metafile/EmfHeader.h"
#include "metafile/EmfPlayer.h"
#include "metafile/WmfHeader.h"
#include "metafile/WmfPlayer.h"

namespace metafile {

MetafileStatus ReadMetafileInfo(std::span<const std::uint8_t> bytes, MetafileInfo& out) noexcept
{
    out = MetafileInfo{};
    switch (DetectMetafileKind(bytes)) {
    case MetafileKind::Emf: {
        EmfPicture picture;
        const MetafileStatus status = ReadEmfPicture(bytes, picture);
        if (status != MetafileStatus::Ok)
            return status;
        if (picture.width <= 0 || picture.height <= 0)
            return MetafileStatus::BadHeader;
        out.kind = MetafileKind::Emf;
        out.width = picture.width;
        out.height = picture.height;
        out.dpiX = picture.dpiX;
        out.dpiY = picture.dpiY;
        out.hasEmfPlus = picture.hasEmfPlus;
        return MetafileStatus::Ok;
    }
    case MetafileKind::Wmf: {
        WmfPicture picture;
        const MetafileStatus status = ReadWmfPicture(bytes, picture);
        if (status != MetafileStatus::Ok)
            return status;
        if (picture.width <= 0 || picture.height <= 0)
            return MetafileStatus::BadHeader;
        out.kind = MetafileKind::Wmf;
        out.width = picture.width;
        out.height = picture.height;
        out.dpiX = out.dpiY = picture.dpi;
        return MetafileStatus::Ok;
    }
    case MetafileKind::None: break;
    }
    return MetafileStatus::NotMetafile;
}

PlayReport PlayNestedMetafile(std::span<const std::uint8_t> bytes, ICanvas& canvas, const RectD& target,
                              PlayBudget& budget, int nesting)
{
    PlayReport report;
    if (nesting > budget.Limits().maxNesting) {
        report.status = MetafileStatus::Ok;
        report.budgetExhausted = true;
        return report;
    }
    switch (DetectMetafileKind(bytes)) {
    case MetafileKind::Emf: {
        EmfPlayer player(bytes, canvas, target, budget, nesting);
        return player.Play();
    }
    case MetafileKind::Wmf: return PlayWmf(bytes, canvas, target, budget, nesting);
    case MetafileKind::None: break;
    }
    report.status = MetafileStatus::NotMetafile;
    return report;
}

PlayReport PlayMetafile(std::span<const std::uint8_t> bytes, ICanvas& canvas, const RectD& target,
                        const PlayLimits& limits)
{
    PlayBudget budget(limits);
    return PlayNestedMetafile(bytes, canvas, target, budget, 0);
}

} // namespace metafile
