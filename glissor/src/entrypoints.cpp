// The library's component entry points; filled in with the control model.
#include "glissor/glissor.h"
