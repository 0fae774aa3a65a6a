#pragma once

#include <QImage>

// The vehicle pictures are pure black on white: the radio buttons draw them with SRCAND, so
// white must stay exactly white and every line exactly black.
// `scale` device pixels per picture pixel: 1 for the 56 x 40 pictures, 2 for 112 x 80.
QImage drawCarPicture(int scale = 1);
QImage drawTruckPicture(int scale = 1);

// 288 x 28 on the main window's band colour; everything left of the lettering is that colour.
QImage drawLogo(int scale = 1);

QImage drawIcon(int size);
