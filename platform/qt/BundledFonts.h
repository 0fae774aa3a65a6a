#pragma once

// Adds the fonts that lie in "fonts/" beside the program (the portable folder and the Windows
// installation carry the IPA fonts there) to the application's fonts, so that the window, the
// clips' overlay and the report find the Japanese faces they name on a system without them.
// Nothing happens where there is no such folder. Needs a QGuiApplication.
void addBundledFonts();

// What the program's drawing needs prepared on the main thread as its application starts: the
// bundled fonts above, and Qt's image format plugins. Loaded first by a worker thread (an
// export writing the report's pictures), those plugins leave a Windows process unable to end:
// under Wine it stops for good in libstdc++'s detach as it exits. Needs a QGuiApplication.
void prepareDrawing();
