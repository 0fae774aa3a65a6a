// Redraws every picture of the program into the resources folder given on the command line.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QVector>
#include <cstdio>

#include "ButtonArt.h"
#include "PictureArt.h"

namespace {

// The standard 16-colour palette, so the 16-colour pictures are stored as what they are.
QVector<QRgb> windowsPalette() {
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

bool save(const QImage& img, const QString& path, bool sixteenColours) {
    QImage out = sixteenColours ? img.convertToFormat(QImage::Format_Indexed8, windowsPalette(),
                                                      Qt::ThresholdDither | Qt::AvoidDither)
                                : img;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !out.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);

    bool ok = true;
    for (auto glyph : {ButtonGlyph::First, ButtonGlyph::Prev, ButtonGlyph::Play, ButtonGlyph::Stop,
                       ButtonGlyph::Next, ButtonGlyph::Last}) {
        for (auto state : {ButtonState::Normal, ButtonState::Pressed, ButtonState::Focused,
                           ButtonState::Disabled}) {
            const QString name = buttonGlyphName(glyph) + "-" + buttonStateName(state);
            ok &= save(drawButton(glyph, state), root + "/buttons/" + name + ".png", true);
            ok &= save(drawButton(glyph, state, 2), root + "/buttons/" + name + "@2x.png", true);
        }
    }
    // Each picture also drawn at twice the size, for displays scaled to 150 % and more; Qt
    // takes the "@2x" name as a device pixel ratio of 2.
    ok &= save(drawCarPicture(), root + "/pictures/car.png", true);
    ok &= save(drawCarPicture(2), root + "/pictures/car@2x.png", true);
    ok &= save(drawTruckPicture(), root + "/pictures/truck.png", true);
    ok &= save(drawTruckPicture(2), root + "/pictures/truck@2x.png", true);
    ok &= save(drawLogo(), root + "/pictures/logo.png", false);
    ok &= save(drawLogo(2), root + "/pictures/logo@2x.png", false);
    ok &= save(drawIcon(64), root + "/icon/halcyra.png", false);
    // The window icon's sizes, and the rest of the hicolor theme's usual sizes for the menus.
    for (int size : {16, 22, 24, 32, 48, 128, 256}) {
        ok &= save(drawIcon(size), root + "/icon/halcyra-" + QString::number(size) + ".png", false);
    }
    return ok ? 0 : 1;
}
