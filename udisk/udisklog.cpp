#include "udisklog.h"

Q_LOGGING_CATEGORY(lcUdisk, "lens.udisk")
