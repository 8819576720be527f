// An app header.
#include "tone/Curve.h"
