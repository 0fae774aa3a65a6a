#include "JpegFrameDecoder.h"
