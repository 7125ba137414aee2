#include "game/qt/view_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE names a function in the global namespace, so it cannot be used inside ours.
static void InitBundle() { Q_INIT_RESOURCE(pyrandel); }

namespace pyrandel {

void InitViewResources() { InitBundle(); }

} // namespace pyrandel
