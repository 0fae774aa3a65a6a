#include "Recording.h"
