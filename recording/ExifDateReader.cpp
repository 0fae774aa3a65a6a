#include "ExifDateReader.h"
