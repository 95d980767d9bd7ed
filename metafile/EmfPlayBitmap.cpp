#include "metafile/EmfPlayer.h"

namespace metafile {

RecordResult PlayEmfBitmapRecord(EmfPlayer&, const EmfRecord&) { return RecordResult::NotMine; }

} // namespace metafile
