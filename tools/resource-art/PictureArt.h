#pragma once

#include <QImage>

// The vehicle pictures are pure black on white: the radio buttons draw them with SRCAND, so
// white must stay exactly white and every line exactly black.
QImage drawCarPicture();
QImage drawTruckPicture();

// 288 x 28 on the main window's band colour; everything left of the lettering is that colour.
QImage drawLogo();

QImage drawIcon(int size);
