// What reading a metafile's header or records came to.
#pragma once

namespace metafile {

enum class MetafileStatus
{
    Ok,
    NotMetafile,      // neither a WMF nor an EMF by its content
    TruncatedHeader,  // the header does not fit in the data
    BadHeader,        // a header field is impossible (size, version, zero units)
    BadRecordSize,    // a record's size is too small, unaligned or past the end
    TruncatedRecords, // the data ends before the end-of-file record
};

const char* MetafileStatusText(MetafileStatus status) noexcept;

} // namespace metafile
