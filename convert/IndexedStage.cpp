#include "convert/IndexedStage.h"

#include "convert/ConversionHost.h"
#include "language/CLanguage.h"
#include "language/LanguageMessage.h"
#include "platform/AtomicFile.h"
#include "resources/StringTable.h"
#include "resources/resource.h"

std::u16string ToU16(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), text.size());
}

QString FromU16(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

CMyBitMap IndexedStage::MakeBitMap()
{
    CMyBitMap::Platform platform;
    platform.showMessage = [this](const std::u16string& text, const std::u16string& caption) {
        m_host.ShowOwnerlessMessage(FromU16(text), FromU16(caption));
    };
    platform.beginWait = [this] { m_host.BeginWaitCursor(); };
    platform.endWait = [this] { m_host.EndWaitCursor(); };
    // The intermediate file is ours alone and unchanged while it is loaded.
    platform.mapPrivateFiles = true;
    return CMyBitMap(platform);
}

bool IndexedStage::OpenIndexedSource(CMyBitMap& bitmap, const QString& path)
{
    FreeIndexedState();
    m_state.m_szDibPath = path;

    std::unique_ptr<DibFile> file = OpenDibFileForReading(ToU16(path));
    if (!file) {
        m_host.ShowMessage(theLanguage.GetString(IDS_STRING132), path);
        return false;
    }
    m_state.m_hDibHeader = bitmap.ReadInfoBlock(*file);
    file.reset();
    if (!m_state.m_hDibHeader) {
        m_host.ShowMessage(FormatBuiltinString(IDS_STRING125, {path}), path);
        return false;
    }
    BITMAPINFOHEADER header;
    bitmap.QueryHeader(m_state.m_hDibHeader.get(), &header);
    m_state.m_hDibPalette = bitmap.PaletteFromBlock(m_state.m_hDibHeader.get());
    if (!m_state.m_hDibPalette) {
        m_host.ShowMessage(theLanguage.GetString(IDS_STRING135),
                           theLanguage.GetString(IDS_MESSAGE_ERROR));
        return false;
    }
    m_state.m_bDibLoaded = true;
    m_state.m_hDib = bitmap.LoadFile(ToU16(path));
    if (m_state.m_hDib) {
        m_state.m_hDibBitmap =
            bitmap.ToDeviceBitmap(m_state.m_hDib.get(), m_state.m_hDibPalette.get());
        if (!m_state.m_hDibBitmap) {
            m_host.ShowMessage(LoadBuiltinString(IDS_STRING132),
                               theLanguage.GetString(IDS_MESSAGE_ERROR));
            FreeIndexedState();
            return false;
        }
    }
    return true;
}

MemoryBlock* IndexedStage::ConvertToBitCount(CMyBitMap& bitmap, std::uint32_t compression,
                                             std::uint16_t bitCount)
{
    if (!m_state.m_bDibLoaded)
        return nullptr;
    BITMAPINFOHEADER header;
    bitmap.QueryHeader(m_state.m_hDibHeader.get(), &header);
    if (compression != header.biCompression || bitCount != header.biBitCount) {
        if (!m_state.m_hDibBitmap) {
            m_state.m_hDib = bitmap.LoadFile(ToU16(m_state.m_szDibPath));
            m_state.m_hDibBitmap =
                bitmap.ToDeviceBitmap(m_state.m_hDib.get(), m_state.m_hDibPalette.get());
        }
        if (m_state.m_hDibBitmap) {
            m_state.m_hDib.reset();
            m_state.m_hDib = bitmap.FromDeviceBitmap(m_state.m_hDibBitmap.get(), compression,
                                                     bitCount, m_state.m_hDibPalette.get());
        }
    } else if (!m_state.m_hDib) {
        m_state.m_hDib = bitmap.LoadFile(ToU16(m_state.m_szDibPath));
    }
    return m_state.m_hDib.get();
}

bool IndexedStage::SaveIndexedBitmap(CMyBitMap& bitmap, int bitCount, const QString& outputPath,
                                     bool replaceExisting)
{
    BITMAPINFOHEADER header;
    bitmap.QueryHeader(m_state.m_hDibHeader.get(), &header);
    MemoryBlock* block = ConvertToBitCount(bitmap, header.biCompression, std::uint16_t(bitCount));
    const QString errorCaption = theLanguage.GetString(IDS_MESSAGE_ERROR);
    if (!block) {
        m_host.ShowMessage(theLanguage.GetString(IDS_STRING136), errorCaption);
        return false;
    }
    // A capture knows nothing of resolution; the picture's goes with it.
    if (block->Size() >= kInfoHeaderBytes) {
        BITMAPINFOHEADER captured = ParseInfoHeader(block->Data());
        if (captured.biXPelsPerMeter == 0 && captured.biYPelsPerMeter == 0) {
            captured.biXPelsPerMeter = header.biXPelsPerMeter;
            captured.biYPelsPerMeter = header.biYPelsPerMeter;
            StoreInfoHeader(captured, block->Data());
        }
    }
    // The new file is written completely beside the old one before it takes
    // its place.
    AtomicFileWriter writer(outputPath);
    bool saved = writer.ReserveName() && bitmap.SaveFile(ToU16(writer.TemporaryPath()), block);
    if (saved) {
        switch (writer.CommitTo(replaceExisting)) {
        case AtomicFileWriter::Commit::Done:
            break;
        case AtomicFileWriter::Commit::TargetExists:
            m_host.ShowOwnerlessMessage(QStringLiteral("Can not create the file!"), outputPath);
            saved = false;
            break;
        case AtomicFileWriter::Commit::Failed:
            saved = false;
            break;
        }
    } else if (writer.TemporaryPath().isEmpty()) {
        // The folder takes no new file: say so as the writer would have.
        m_host.ShowOwnerlessMessage(QStringLiteral("Can not create the file!"), outputPath);
    }
    if (!saved) {
        m_host.ShowMessage(LoadBuiltinString(IDS_STRING136), errorCaption);
        return false;
    }
    return true;
}

void IndexedStage::FreeIndexedState()
{
    m_state.m_hDibPalette.reset();
    m_state.m_hDibBitmap.reset();
    m_state.m_hDib.reset();
    m_state.m_hDibHeader.reset();
    m_state.m_bDibLoaded = false;
}
