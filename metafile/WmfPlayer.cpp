#include "metafile/WmfPlayer.h"

namespace metafile {

// WMF records are not played yet.
PlayReport PlayWmf(std::span<const std::uint8_t>, ICanvas&, const RectD&, PlayBudget&, int)
{
    PlayReport report;
    report.status = MetafileStatus::NotMetafile;
    return report;
}

} // namespace metafile
