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

std::optional<QString> DecodeCodePage(const QByteArray& bytes, int codePage)
{
    if (codePage == kSystemCodePage) {
        QStringDecoder decoder(QStringDecoder::System, QStringDecoder::Flag::Stateless);
        return QString(decoder(bytes));
    }
    const char* name = CodePageName(codePage);
    if (!name)
        return std::nullopt;
    QStringDecoder decoder(name, QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    return QString(decoder(bytes));
}

QByteArray EncodeSystemCodePage(const QString& text)
{
    QStringEncoder encoder(QStringEncoder::System);
    return encoder(text);
}
