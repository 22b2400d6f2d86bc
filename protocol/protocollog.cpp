#include "protocollog.h"

Q_LOGGING_CATEGORY(lcProtocol, "lens.protocol")
