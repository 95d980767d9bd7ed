// What a finished record walk leaves in a picture's summary: how it ended,
// how far it got and where it stopped. Shared by the EMF and WMF readers.
#pragma once

namespace metafile {

template <typename Picture, typename RecordReader>
void KeepWalkOutcome(Picture& picture, const RecordReader& records)
{
    picture.recordStatus = records.Status();
    picture.recordsRead = records.RecordsRead();
    picture.stopOffset = records.Offset();
    picture.reachedEof = records.ReachedEof();
}

} // namespace metafile
