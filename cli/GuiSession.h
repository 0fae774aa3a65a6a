#pragma once

#include "OffscreenSession.h"

// The commands that draw hold one of these (see OffscreenSession).
class GuiSession : public OffscreenSession {
public:
    GuiSession() : OffscreenSession("halcyra-cli") {}
};
