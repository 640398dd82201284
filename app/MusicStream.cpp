#include "app/MusicStream.h"

MusicStream& MusicStream::instance()
{
    static MusicStream holder;
    return holder;
}

double MusicStream::seconds()
{
    if (device == nullptr || stream == 0) {
        return 0.0;
    }
    return device->bytesToSeconds(stream, device->position(stream));
}
