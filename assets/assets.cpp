#include "assets/assets.h"

#include <QtGlobal>

static void initOne() {
    // Each bundle in this folder is registered here by its file name.
    Q_INIT_RESOURCE(assets);
    Q_INIT_RESOURCE(toolbar);
    Q_INIT_RESOURCE(face);
}

void InitAssets() { initOne(); }
