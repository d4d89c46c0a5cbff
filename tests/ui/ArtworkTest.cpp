#include "res/art/Artwork.h"
#include "screens/ScreenLayout.h"
#include "support/TempDir.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace tonwerk;

namespace {

// How many pixels of a face differ from its first pixel: a face that is drawn at all has many.
int drawnPixels(const QImage& image) {
    int n = 0;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixel(x, y) != first ? 1 : 0;
        }
    }
    return n;
}

} // namespace

// Every face the screens' tables name is known to the artwork and painted at its size, at 100 %
// and 200 %; a face is never blank.
TEST(Artwork, EveryFaceOfTheScreensIsPaintedAtItsSize) {
    for (const auto screen : {midi::ScreenKind::Master, midi::ScreenKind::Rock, midi::ScreenKind::Dj}) {
        for (const ui::ScreenControl& c : ui::screenControls(screen)) {
            for (const int id : {c.face, c.further[0], c.further[1]}) {
                if (id == 0) {
                    continue;
                }
                EXPECT_NE(art::faceInfo(id).kind, art::FaceKind::Unknown) << c.name << " face " << id;
                for (const qreal dpr : {1.0, 2.0}) {
                    const QSize size(c.rect.width, c.rect.height);
                    const QPixmap face = art::paintFace(id, size, dpr);
                    EXPECT_EQ(face.deviceIndependentSize().toSize(), size) << c.name;
                    EXPECT_EQ(face.size(), size * dpr) << c.name;
                    EXPECT_GT(drawnPixels(face.toImage()), size.width() * size.height() * dpr * dpr / 8)
                        << c.name << " face " << id << " at " << dpr;
                }
            }
        }
    }
    // A pad's three faces differ: normal, lit, held.
    const QImage normal = art::paintFace(478, {27, 22}, 1).toImage();
    EXPECT_NE(normal, art::paintFace(461, {27, 22}, 1).toImage());
    EXPECT_NE(normal, art::paintFace(479, {27, 22}, 1).toImage());
    EXPECT_EQ(art::faceInfo(461).state, art::FaceState::Lit);
    // An id the artwork does not know still gets a plain face; a zero size does not crash.
    EXPECT_FALSE(art::paintFace(99999, {20, 10}, 1).isNull());
    EXPECT_FALSE(art::paintFace(578, {0, 0}, 2).isNull());
}

TEST(Artwork, AUsersPictureReplacesAFace) {
    test::TempDir dir;
    EXPECT_TRUE(art::userFace(dir.path(), 578, {48, 16}, 2).isNull());
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(QColor(200, 0, 0));
    ASSERT_TRUE(picture.save(QString::fromStdString((dir / "578.png").string())));
    const QPixmap face = art::userFace(dir.path(), 578, {48, 16}, 2);
    ASSERT_FALSE(face.isNull());
    EXPECT_EQ(face.deviceIndependentSize().toSize(), QSize(48, 16));
    EXPECT_EQ(face.toImage().pixelColor(20, 10), QColor(200, 0, 0));
    test::writeFile(dir / "579.png", "not a picture");
    EXPECT_TRUE(art::userFace(dir.path(), 579, {48, 16}, 1).isNull());
}
