#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QStringList>

#include "ResourcePaths.h"

namespace {

const QStringList glyphs{"first", "prev", "play", "stop", "next", "last"};
const QStringList states{"normal", "pressed", "focused", "disabled"};

// Pictures drawn with SRCAND must hold nothing but pure black and pure white.
bool onlyBlackAndWhite(const QImage& img) {
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            if (p != qRgb(0, 0, 0) && p != qRgb(255, 255, 255)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

TEST(Resources, AllButtonImagesAreEmbeddedAt48By30) {
    for (const QString& glyph : glyphs) {
        for (const QString& state : states) {
            const QString path = resourcePaths::buttonImage(glyph, state);
            const QPixmap pixmap(path);
            ASSERT_FALSE(pixmap.isNull()) << path.toStdString();
            EXPECT_EQ(pixmap.size(), QSize(48, 30)) << path.toStdString();
        }
    }
}

TEST(Resources, ButtonStatesOfOneGlyphAllDiffer) {
    for (const QString& glyph : glyphs) {
        for (int a = 0; a < states.size(); ++a) {
            for (int b = a + 1; b < states.size(); ++b) {
                EXPECT_NE(QImage(resourcePaths::buttonImage(glyph, states[a])),
                          QImage(resourcePaths::buttonImage(glyph, states[b])))
                    << glyph.toStdString() << " " << states[a].toStdString() << "/"
                    << states[b].toStdString();
            }
        }
    }
}

// At a scale of 2 every state is drawn at its own resolution: the 1x picture doubled would
// step the glyphs' diagonals two device pixels at a time.
TEST(Resources, EveryButtonStateIsDrawnAtTwiceTheSizeNotDoubled) {
    for (const QString& glyph : glyphs) {
        if (glyph == QStringLiteral("stop")) {
            continue;  // a square: its 2x drawing is its 1x one doubled
        }
        for (const QString& state : states) {
            const QString path = resourcePaths::buttonImage(glyph, state);
            const QImage once = QImage(path).convertToFormat(QImage::Format_RGB32);
            QString twicePath = path;
            twicePath.replace(QStringLiteral(".png"), QStringLiteral("@2x.png"));
            const QImage twice = QImage(twicePath).convertToFormat(QImage::Format_RGB32);
            ASSERT_EQ(twice.size(), QSize(96, 60)) << twicePath.toStdString();
            EXPECT_NE(twice, once.scaled(96, 60)) << twicePath.toStdString();
        }
    }
}

TEST(Resources, VehiclePicturesAre56By40BlackOnWhite) {
    for (const QString& path : {resourcePaths::carPicture, resourcePaths::truckPicture}) {
        const QImage img(path);
        ASSERT_FALSE(img.isNull()) << path.toStdString();
        EXPECT_EQ(img.size(), QSize(56, 40));
        EXPECT_TRUE(onlyBlackAndWhite(img)) << path.toStdString();
        EXPECT_EQ(img.pixel(0, 0), qRgb(255, 255, 255));
    }
    EXPECT_NE(QImage(resourcePaths::carPicture), QImage(resourcePaths::truckPicture));
}

TEST(Resources, LogoIs288By28OnTheBandColour) {
    const QImage logo(resourcePaths::logoPicture);
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(logo.size(), QSize(288, 28));
    // The left edge and the whole top and bottom rows meet the band's fill seamlessly.
    const QRgb ground = qRgb(8, 107, 181);
    for (int y = 0; y < logo.height(); ++y) {
        EXPECT_EQ(logo.pixel(0, y), ground) << "y " << y;
    }
    for (int x = 0; x < logo.width(); ++x) {
        EXPECT_EQ(logo.pixel(x, 0), ground) << "x " << x;
        EXPECT_EQ(logo.pixel(x, 27), ground) << "x " << x;
    }
}

TEST(Resources, IconLoads) {
    const QPixmap icon(resourcePaths::appIcon);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.width(), icon.height());
    EXPECT_FALSE(QPixmap(":/icon/halcyra-32.png").isNull());
    EXPECT_FALSE(QPixmap(":/icon/halcyra-48.png").isNull());
}
