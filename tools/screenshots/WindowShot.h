#pragma once

#include <QImage>

class QWidget;

namespace windowShot {

// The window as painted now, with `popup` (an open menu, a top-level window of its own) drawn
// over it where it stands on the screen. The picture grows where the popup reaches past the
// window; that part is transparent.
QImage withPopup(QWidget& window, QWidget& popup);

}  // namespace windowShot
