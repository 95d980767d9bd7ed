#include "metafile/MetafileStatus.h"

namespace metafile {

const char* MetafileStatusText(MetafileStatus status) noexcept
{
    switch (status) {
    case MetafileStatus::Ok:
        return "ok";
    case MetafileStatus::NotMetafile:
        return "not a metafile";
    case MetafileStatus::TruncatedHeader:
        return "the header is cut short";
    case MetafileStatus::BadHeader:
        return "the header is damaged";
    case MetafileStatus::BadRecordSize:
        return "a record has an impossible size";
    case MetafileStatus::TruncatedRecords:
        return "the records end before the end-of-file record";
    }
    return "unknown";
}

} // namespace metafile
