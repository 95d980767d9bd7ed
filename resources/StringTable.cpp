#include "resources/StringTable.h"

#include "resources/resource.h"

namespace {

struct BuiltinString
{
    int id;
    const char16_t* text;
};

constexpr BuiltinString kStrings[] = {
    {IDS_ABOUTBOX, u"&About Rastelle"},
    {IDS_LANGUAGE, u"English"},
    {IDS_MESSAGE_ERROR, u"Error"},
    {IDS_STRING108, u"Please open a photo file first!"},
    {IDS_MESSAGE_UNKNOWN_ERROR, u"Unknown error"},
    {IDS_STRING111, u"The output width is invalid!"},
    {IDS_STRING112, u"The output hight is invalid!"},
    {IDS_STRING113, u"Failed to SetResolution!"},
    {IDS_STRING114, u"Failed to SetInterpolationMode!"},
    {IDS_STRING115, u"Failed to convert photo!"},
    {IDS_STRING116, u"Unknown rotate angle!"},
    {IDS_STRING117, u"Failed to rotate and flip photo!"},
    {IDS_STRING118, u"Failed to save the file!"},
    {IDS_MESSAGE_WARNING, u"Warning"},
    {IDS_STRING120, u"%s exists. Do you want to replace it?"},
    {IDS_STRING121, u"The frame number is invalid. Please enter again!"},
    {IDS_STRING122, u"Set frame from 0 to %d"},
    {IDS_STRING123, u"The text position X is out of range!"},
    {IDS_STRING124, u"The text position Y is out of range!"},
    {IDS_STRING125, u"%ls is not a Legitimate DIB File!"},
    {IDS_STRING126, u"Can not get the width of the photo!"},
    {IDS_STRING127, u"Can not get the height of the photo!"},
    {IDS_STRING128,
     u"The text position X is bigger than the photo width!, The program set it to 0 now."},
    {IDS_STRING129,
     u"The text position Y is bigger than the photo height!, The program set it to 0 now."},
    {IDS_STRING130, u"The text position X is out of range! The program set it to 0 now."},
    {IDS_STRING131, u"The text position Y is out of range! The program set it to 0 now."},
    {IDS_STRING132, u"Could not create bitmap!"},
    {IDS_STRING134, u"Can't open file '%ls'"},
    {IDS_STRING135, u"CreatePalette() Failed"},
    {IDS_STRING136, u"Unable to save the specified file"},
    {IDS_STRING138, u"1 bit per pixel, indexed. 2 color."},
    {IDS_STRING139, u"4 bits per pixel, indexed. 16 color."},
    {IDS_STRING140, u"8 bits per pixel, indexed. 256 color."},
    {IDS_STRING141, u"16 bits per pixel; 5 bits are used for the red component, 6 bits are used "
                    u"for the green component, and 5 bits are used for the blue component."},
    {IDS_STRING142,
     u"24 bits per pixel; 8 bits each are used for the red, green, and blue components."},
    {IDS_STRING143, u"32 bits per pixel; 8 bits each are used for the alpha, red, green, and "
                    u"blue components."},
    {IDS_STRING144, u"32 bits per pixel; 8 bits each are used for the alpha, red, green, and "
                    u"blue components. The red, green, and blue components are premultiplied "
                    u"according to the alpha component."},
    {IDS_STRING145, u"32 bits per pixel; 8 bits each are used for the red, green, and blue "
                    u"components. The remaining 8 bits are not used."},
    {IDS_STRING146, u"64 bits per pixel; 16 bits each are used for the alpha, red, green, and "
                    u"blue components."},
    {IDS_STRING147, u"64 bits per pixel; 16 bits each are used for the alpha, red, green, and "
                    u"blue components. The red, green, and blue components are premultiplied "
                    u"according to the alpha component."},
    {IDS_STRING148, u"Can not create indexed bitmap file!"},
    {IDS_STRING160, u"%d x %d pixels, %s, %s bytes"},
    {IDS_STRING161, u"Click to see the file as it will be written."},
    {IDS_STRING162, u"Click to see the picture."},
};

} // namespace

QString LoadBuiltinString(int id)
{
    for (const BuiltinString& entry : kStrings) {
        if (entry.id == id)
            return QString::fromUtf16(entry.text);
    }
    return QString();
}
