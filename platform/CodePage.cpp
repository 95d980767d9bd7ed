#include "platform/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

const char* CodePageName(int codePage)
{
    switch (codePage) {
    case 874:
        return "windows-874";
    case 932:
        return "windows-932";
    case 936:
        return "windows-936";
    case 949:
        return "windows-949";
    case 950:
        return "windows-950";
    case 1250:
        return "windows-1250";
    case 1251:
        return "windows-1251";
    case 1252:
        return "windows-1252";
    case 1253:
        return "windows-1253";
    case 1254:
        return "windows-1254";
    case 1255:
        return "windows-1255";
    case 1256:
        return "windows-1256";
    case 1257:
        return "windows-1257";
    case 1258:
        return "windows-1258";
    case kUtf8CodePage:
        return "UTF-8";
    default:
        return nullptr;
    }
}

bool IsSupportedCodePage(int codePage)
{
    if (codePage == kSystemCodePage)
        return true;
    const char* name = CodePageName(codePage);
    return name && QStringDecoder(name).isValid();
}

namespace {

// C0 controls and DEL are single bytes in every supported code page, never
// part of a multi-byte character, and stand for themselves.
bool IsControlByte(char byte)
{
    const auto b = static_cast<unsigned char>(byte);
    return b < 0x20 || b == 0x7F;
}

// Decodes bytes without controls. The converters mark a byte that is no
// character with U+FFFD, or with U+001A (code page 932), and drop a
// character cut off at the end; all of these become U+FFFD here.
void AppendDecodedRun(QStringDecoder& decoder, QByteArrayView run, bool controlsAreMarks,
                      QString& out)
{
    QByteArray bytes;
    bytes.reserve(run.size() + 1);
    bytes.append(run);
    // A blank is never a trail byte: it ends a cut-off character, so the
    // converter reports it instead of dropping it.
    bytes.append(' ');
    QString text = decoder(bytes);
    if (!text.endsWith(u' '))
        text.append(QChar(QChar::ReplacementCharacter));
    else
        text.chop(1);
    if (controlsAreMarks) {
        for (QChar& c : text) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                c = QChar(QChar::ReplacementCharacter);
        }
    }
    out += text;
}

QString DecodeWith(QStringDecoder& decoder, const QByteArray& bytes)
{
    // The converter of code page 932 also swaps some controls (0x1A, 0x1C,
    // 0x7F); controls are therefore kept apart and copied as they are.
    QString out;
    out.reserve(bytes.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && !IsControlByte(bytes[i]))
            continue;
        if (i > start)
            AppendDecodedRun(decoder, QByteArrayView(bytes).sliced(start, i - start), true, out);
        if (i < bytes.size())
            out += QChar(char16_t(static_cast<unsigned char>(bytes[i])));
        start = i + 1;
    }
    return out;
}

} // namespace

std::optional<QString> DecodeCodePage(const QByteArray& bytes, int codePage)
{
    if (codePage == kSystemCodePage) {
        // The locale's charset may be one that shifts with control bytes, so
        // it decodes in one piece.
        QStringDecoder decoder(QStringDecoder::System, QStringDecoder::Flag::Stateless);
        QString out;
        AppendDecodedRun(decoder, bytes, false, out);
        return out;
    }
    const char* name = CodePageName(codePage);
    if (!name)
        return std::nullopt;
    QStringDecoder decoder(name, QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    return DecodeWith(decoder, bytes);
}

QByteArray EncodeSystemCodePage(const QString& text)
{
    QStringEncoder encoder(QStringEncoder::System);
    return encoder(text);
}
