#include "gui/windows/BuiltInPictures.h"

#include <QtGlobal>

// The resource's initializer is declared by the macro where it stands, so it
// must stand outside every namespace.
static void initPictureResource()
{
    Q_INIT_RESOURCE(pictures);
}

void BuiltInPictures::load()
{
    initPictureResource();
}
