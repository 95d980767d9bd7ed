#include "metafile/EmfPlayer.h"

namespace metafile {

RecordResult PlayEmfTextRecord(EmfPlayer&, const EmfRecord&) { return RecordResult::NotMine; }

} // namespace metafile
