#include "FrameTimeText.h"
