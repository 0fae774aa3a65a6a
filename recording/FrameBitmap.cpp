#include "FrameBitmap.h"
