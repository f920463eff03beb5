#include "app/ApplicationIcon.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

// The icon is rendered by the build; a missing size or an empty picture
// would show the desktop's default icon in that place.
TEST(ApplicationIcon, HoldsAPictureDrawnForEverySizeADesktopAsksFor)
{
    const QIcon icon = applicationIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int side : {16, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(side);
        EXPECT_TRUE(sizes.contains(QSize(side, side)));
        const QImage picture = icon.pixmap(QSize(side, side)).toImage();
        ASSERT_EQ(picture.size(), QSize(side, side));
        // Opaque in the middle, clear in the corner that the rounded square leaves out.
        EXPECT_EQ(qAlpha(picture.pixel(side / 2, side / 2)), 255);
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
    }
}
