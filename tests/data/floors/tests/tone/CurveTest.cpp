// A tone test that reaches up into app: the floor check must refuse it.
#include "app/Editor.h"
