// Includes of its own layer and those below pass.
#include "base/consoleline.h"
#include "net/udpmultinic.h"
#include "protocol/kvframe.h"
#include "core/devicelist.h"
#include <QString>
