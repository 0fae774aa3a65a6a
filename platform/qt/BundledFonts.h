#pragma once

// Adds the fonts that lie in "fonts/" beside the program (the portable folder and the Windows
// installation carry the IPA fonts there) to the application's fonts, so that the window, the
// clips' overlay and the report find the Japanese faces they name on a system without them.
// Nothing happens where there is no such folder. Needs a QGuiApplication.
void addBundledFonts();
