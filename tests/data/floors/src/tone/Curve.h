// A tone header that keeps the order.
#include "base/Types.h"
