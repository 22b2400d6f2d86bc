#include "hidlog.h"

Q_LOGGING_CATEGORY(lcHid, "lens.hid")
