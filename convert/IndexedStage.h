// The indexed output stage: the 24-bit intermediate file read back as a DIB,
// made into a device bitmap with the fixed palette, captured again at 1, 4 or
// 8 bits per pixel and written to the output path.
#pragma once

#include "dib/CMyBitMap.h"

#include <QString>

class IConversionHost;

struct IndexedOutputState
{
    HPALETTE m_hDibPalette;
    HDIB m_hDib;
    HBITMAP m_hDibBitmap;
    HDIB m_hDibHeader;
    bool m_bDibLoaded = false;
    QString m_szDibPath;

    bool IsEmpty() const
    {
        return !m_hDibPalette && !m_hDib && !m_hDibBitmap && !m_hDibHeader && !m_bDibLoaded;
    }
};

class IndexedStage
{
public:
    explicit IndexedStage(IConversionHost& host) : m_host(host) {}

    // A CMyBitMap whose messages and wait cursor go to the host.
    CMyBitMap MakeBitMap();

    bool OpenIndexedSource(CMyBitMap& bitmap, const QString& path);
    // Writes the loaded DIB at the bit count to the output path, through a
    // temporary file beside it; an existing file is replaced only with
    // permission, and only by a complete new file.
    bool SaveIndexedBitmap(CMyBitMap& bitmap, int bitCount, const QString& outputPath,
                           bool replaceExisting);
    MemoryBlock* ConvertToBitCount(CMyBitMap& bitmap, std::uint32_t compression,
                                   std::uint16_t bitCount);
    void FreeIndexedState();

    const IndexedOutputState& State() const { return m_state; }

private:
    IConversionHost& m_host;
    IndexedOutputState m_state;
};

std::u16string ToU16(const QString& text);
QString FromU16(const std::u16string& text);
