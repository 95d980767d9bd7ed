#include "metafile/EmfPlayer.h"

namespace metafile {

RecordResult PlayEmfClipRecord(EmfPlayer&, const EmfRecord&) { return RecordResult::NotMine; }

} // namespace metafile
