#include "app/qorbin.h"

namespace app {

int qorbin() { return 0; }

}  // namespace app
