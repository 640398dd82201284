#include "app/MusicStream.h"

MusicStream& MusicStream::instance()
{
    static MusicStream holder;
    return holder;
}

void MusicStream::pause(bool paused)
{
    if (device != nullptr && stream != 0) {
        device->pause(stream, paused);
    }
}

double MusicStream::seconds()
{
    if (device == nullptr || stream == 0) {
        return 0.0;
    }
    return device->bytesToSeconds(stream, device->position(stream));
}
