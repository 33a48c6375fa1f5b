#include "core/state/DocumentState.h"

static_assert(sizeof(DocumentState) == 4, "a slot record is two 16-bit booleans");
